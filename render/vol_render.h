// The volume renderer: the volume on show, its gradients, the transfer
// function, the shader programs and the slice stack.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "cg/cg_runtime.h"
#include "render/brick_grid.h"
#include "render/draw_inputs.h"
#include "render/fragment_counter.h"
#include "render/projection_target.h"
#include "render/render_mode.h"
#include "render/slab_table.h"
#include "render/slice_footprint.h"
#include "render/view_orientation.h"

class VolRender {
public:
  // Thrown by the raw-file loaders.
  class Error {
  public:
    explicit Error(const char* text = nullptr);
    std::string message;
  };

  // Thrown by the shader set-up: the runtime's error text and its listing.
  class CgError {
  public:
    CgError(const char* message, const char* listing);
    std::string message;
    std::string listing;
  };

  VolRender();
  virtual ~VolRender();

  void Init();
  void SetTransferFunction(const float* table);
  void UploadVolume();
  void SetData(float* buffer, int32_t x, int32_t y, int32_t z);
  // Every upload shows the new volume as a cube; a volume whose physical
  // sides differ gives them here, after the upload, over its longest side.
  // Gradients built afterwards are then taken per unit of length, so
  // voxels longer on one axis do not tilt the lit surface towards it.
  void SetProportions(float x, float y, float z);
  void BuildGradients();
  // SetData, SetProportions and BuildGradients for a volume shown once, not
  // every frame, holding as little memory at a time as it can: gradients
  // first, and no upload buffer outlives its upload (for a large texture
  // they come to several times its size). Borrows `buffer` like SetData.
  void ShowVolume(float* buffer, int32_t x, int32_t y, int32_t z,
                  const std::array<float, 3>& shape);

  void InitShaders();
  void CheckCgError();

  void BuildSlices();
  void Draw();

  // Opened volumes only; the built-in sources keep Draw, angleZ and angleX.
  // Turns the volume by the inputs' orientation, shows all of it, lays
  // slices across the turned box every frame, sliceCount of them per longest
  // side of the volume, and draws in the inputs' mode, which must have been
  // prepared.
  void DrawOriented(const DrawInputs& inputs);
  // Compiles the mode's programs on first use. Returns false, with a line on
  // stderr, when this GL cannot draw that mode.
  bool PrepareRenderMode(RenderMode mode);
  // Whether a frame of these inputs has its composite slices come front to
  // back: asked for, an opened volume, and a GL that reads the pixel drawn
  // over and draws into a framebuffer object.
  bool DrawsFrontToBack(const DrawInputs& inputs) const;
  // From now on the slices' fragments are counted, where the GL can count
  // them (false otherwise); TakeFragmentCounts gives the sum since its
  // last call.
  bool CountFragments();
  FragmentCounts TakeFragmentCounts();
  // The light direction for every program, the later-compiled ones too.
  void SetLightPosition(const float* light);
  const float* LightPosition() const { return light_; }
  // ShowVolume for opened volumes, at the precision they deserve: 16-bit
  // texels and gradients smoothed at full precision (16-bit, with their
  // magnitude), the table read with interpolation and pre-integrated over
  // each slab, and the bricks the table leaves empty skipped. Borrows
  // `texels` (values in [0, 1]) like SetData; Draw needs `oriented`.
  void ShowPreciseVolume(float* texels, int32_t x, int32_t y, int32_t z,
                         const std::array<float, 3>& shape);
  // The part of the texture the current table can show ([0, 1] on every
  // axis until a precise volume is shown), within `within`.
  TextureBox VisibleBox(const TextureBox& within = WholeTextureBox()) const;
  // Each brick the current table can show (the whole texture as one until
  // a precise volume is shown; none when the table shows nothing).
  std::vector<TextureBox> VisibleBricks() const;
  // Share of the volume's bricks the current table leaves empty (0 until a
  // precise volume is shown).
  double SkippedBrickFraction() const;
  // The picture of the slice normal to canonical axis `axis` that
  // VolumeCuts::planes shows: grey[width * height], rows along the lower
  // in-plane axis, spanning the whole volume's box.
  void SetPlanePicture(int axis, int32_t width, int32_t height, const uint8_t* grey);

  void LoadRawData(const char* fileName, int32_t sizeX, int32_t sizeY, int32_t sizeZ,
                   int32_t channels);
  void LoadRawSubVolume(const char* fileName, int32_t fileSizeX, int32_t fileSizeY,
                        int32_t fileSizeZ, int32_t channels, int32_t originX, int32_t originY,
                        int32_t originZ, int32_t extentX, int32_t extentY, int32_t extentZ,
                        int32_t newSizeX, int32_t newSizeY, int32_t newSizeZ);

  // The volume's physical sides over its longest (see SetProportions).
  const float* Proportions() const { return proportions_; }

  int32_t sizeX;
  int32_t sizeY;
  int32_t sizeZ;
  float* data;
  bool ownsData;
  GLuint volumeTexture;
  int8_t channels;
  float* gradientData;
  GLuint gradientTexture;
  bool extraClipEnabled;
  int32_t clipDistance;
  float angleZ;
  float angleX;
  int32_t sliceCount;
  GLuint sliceList;
  CGcontext cgContext;
  CGprofile vertexProfile;
  CGprofile fragmentProfile;
  CGprogram vertexProgram;
  CGprogram fragmentProgram;
  CGparameter lightPosParam;
  GLuint transferTexture;

private:
  float proportions_[3] = {1.0f, 1.0f, 1.0f};
  std::array<double, 3> gradientScale_{1.0, 1.0, 1.0};  // per axis, see SetProportions
  // The fragment programs of a mode: its pass over the slices, the same cut
  // by the inputs' cuts (by caps, planes, crop and clip: 1 + 2 + 4 + 8, each
  // compiled in only when on, as software GL runs every branch of a
  // program), and, for the projections, the pass that turns the kept value
  // into colour.
  struct ModePrograms {
    CGprogram pass = nullptr;
    std::array<CGprogram, 32> cutPasses{};  // + 16 front to back
    CGprogram resolve = nullptr;
  };
  std::array<ModePrograms, kRenderModeCount> modePrograms_;
  ProjectionTarget projectionTarget_;
  // Float, as 8-bit pixels would stop gathering the faint slabs of many
  // slices once they are nearly opaque.
  ProjectionTarget compositeTarget_{GL_RGBA32F_ARB, true};
  bool lightSet_ = false;
  float light_[3] = {0.0f, 0.0f, 0.0f};
  // Set by ShowPreciseVolume.
  bool precise_ = false;
  float gradientRange_ = 1.0f;  // 1 / the steepest stored gradient magnitude
  std::optional<BrickGrid> bricks_;
  // Finer, for where each slice needs fragments; set with bricks_.
  std::optional<BrickGrid> footprintBricks_;
  std::vector<TextureBox> visibleBricks_;  // of footprintBricks_ under the current table
  // Reused every frame by DrawSlicesAcross.
  std::vector<EyeBounds> brickEyeBounds_;
  std::vector<SliceWindow> sliceWindows_;
  std::vector<SliceTiles> sliceTiles_;
  std::vector<TileRect> tileRects_;
  bool counting_ = false;
  FragmentCounter fragmentCounter_;
  float transfer_[4 * kTransferEntries] = {};
  SlabTable slabTable_;
  CGprogram preintegratedProgram_ = nullptr;
  // Composite front to back, the pass that marks the pixels it has hidden
  // and the pass that puts its target on screen.
  CGprogram frontToBackProgram_ = nullptr;
  CGprogram hiddenMark_ = nullptr;
  CGprogram compositeResolve_ = nullptr;
  // Every program compiled for opened volumes: each takes the light.
  std::vector<CGprogram> variants_;
  // The slices' pictures of VolumeCuts::planes, on units 5 to 7.
  std::array<GLuint, 3> planeTextures_{0, 0, 0};

  // "-DNAME" options; the program is kept in variants_.
  CGprogram CompileFragmentVariant(std::vector<const char*> defines);
  // The mode's pass cut by the inputs' cuts, compiled on first use.
  CGprogram CutPass(RenderMode mode, const VolumeCuts& cuts, bool frontToBack);

  // Compiles the front-to-back passes on first use.
  void PrepareFrontToBack();
  // Readies the target's depth test and the marks' threshold.
  void BeginFrontToBack(float stopOpacity);
  void EndFrontToBack();
  // Sets the depth of the target's pixels as opaque as the threshold to the
  // near plane, so no later slice is shaded there; `program` is bound again.
  void MarkHiddenPixels(CGprogram program);
  // The window rectangle, in device coordinates, of the eye-frame box
  // lo..hi (on the modelview) that holds every slice: no pixel beyond it is
  // drawn, so the front-to-back target is cleared, marked and put on screen
  // only within it.
  void SetMarkArea(const std::array<double, 3>& lo, const std::array<double, 3>& hi);
  std::array<double, 4> markArea_{-1.0, -1.0, 1.0, 1.0};  // x0, y0, x1, y1 in device coordinates
  // A seventh user clip plane, in the model frame on the modelview, that
  // keeps the slices off what the inputs' clip plane cuts away whole, so no
  // fragment is spent there; false when the GL has no seventh plane.
  bool CullClippedSlabs(const DrawInputs& inputs, int32_t sliceCount);
  // Uniforms and textures of the cut pass.
  void SetCuts(CGprogram program, const DrawInputs& inputs);
  // The gradients on unit 1 and the table on unit 2 for the fragment
  // programs, unit 0 left active; and all three units' texturing off again.
  void BindShadingTextures();
  void ReleaseShadingTextures();
  // Slices covering a box of the given half-extents around `centre` (eye
  // frame), on planes a whole number of spacings from the volume's centre.
  // Front to back, the hidden pixels are marked every few slices; with
  // `skipEmptyAt`, the volume's turn, each slice covers only what the
  // visible bricks can reach of it.
  void DrawSlicesAcross(const std::array<double, 3>& centre,
                        const std::array<double, 3>& eyeHalfExtents, int32_t sliceCount,
                        CGprogram program, bool frontToBack, const Rotation* skipEmptyAt);
  // The target's pixels within `area` (device coordinates) through
  // `resolve` onto the window, blended by source factor `sourceFactor` over
  // what it holds.
  void ResolveProjection(const ProjectionTarget& target, CGprogram resolve, GLenum sourceFactor,
                         const std::array<double, 4>& area);

  // SetData without the upload.
  void AdoptData(float* buffer, int32_t x, int32_t y, int32_t z);
  // The mip levels built for the GL and the gradient buffer.
  void ReleaseUploadBuffers();
};

extern VolRender gRenderer;
