// How an opened volume lies in the eye's frame. Volumes are held with axis 0
// toward the patient's left, 1 toward posterior and 2 toward superior; the
// eye looks down its -z axis with x to the right and y up. A view is the
// rotation taking volume directions to eye directions.
#pragma once

#include <array>
#include <optional>
#include <string>

// Row-major 3x3: eye = m * volume.
using Rotation = std::array<double, 9>;

// The six standard views, each named after the side the viewer stands on.
// How far the volume's centre lies in front of the eye. Further than the
// built-in stack's 250 units, with a narrower field of view showing the same
// size at the centre, so a box seen face-on fits the window and perspective
// stays mild.
constexpr double kVolumeEyeDistance = 600.0;
// The longest side of the part on show spans this many model units, as in
// the stack of the built-in sources, so opacities mean the same per unit of
// length.
constexpr double kLongestSide = 200.0;

enum class AnatomicalView { Anterior, Posterior, Left, Right, Superior, Inferior };

// "anterior", "posterior", ...; nullopt for any other name.
std::optional<AnatomicalView> ParseAnatomicalView(const std::string& name);
const char* AnatomicalViewName(AnatomicalView view);

// Superior up in the four side views, anterior up from above and below; the
// patient's left on the screen's right seen from the front.
Rotation ViewRotation(AnatomicalView view);

// `rotation` turned further by `degrees` about the eye's x (vertical drags)
// or y (horizontal drags, turntables) axis, right-handed.
Rotation TurnAboutEyeX(const Rotation& rotation, double degrees);
Rotation TurnAboutEyeY(const Rotation& rotation, double degrees);

// Keeps a rotation built from many small turns a rotation: float error would
// otherwise shear and scale the volume after long drags.
Rotation Orthonormalised(const Rotation& rotation);

// Half-extents in the eye's frame of a box with the given half-extents
// along the volume's axes, turned by `rotation`.
std::array<double, 3> EyeHalfExtents(const Rotation& rotation,
                                     const std::array<double, 3>& halfExtents);
