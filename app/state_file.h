// Saved views (--save-state, --state, ctrl+s): a JSON file holding what it
// takes to draw an opened volume's picture again, the volume's path and how
// it was read included. Values are in the user's terms (RAS mm, data units,
// names) so a file can be read and edited by hand.
#pragma once

#include <array>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/view_state.h"
#include "files/volume_file.h"

// One line naming the file and what is wrong with it.
class StateFileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// What the window shows now, beside the view state.
struct ViewSnapshot {
  const ViewerOptions* options = nullptr;  // the volume's path and how it was read
  const VolumeInfo* info = nullptr;
  const ViewState* state = nullptr;
  std::array<int, 2> windowSize{};
  std::array<float, 3> light{};
  const float* table = nullptr;  // 256 RGBA entries
  std::string tableName;         // a preset's name, a map file's, "edited"
  bool tableIsPreset = false;    // saved by name alone
  std::optional<std::array<float, 3>> background;
};

// The file's text. The volume's path is kept relative to the state file's
// folder when the volume lies below it, so the two can be moved together.
std::string FormatState(const ViewSnapshot& snapshot, const std::string& statePath);

// Sets what the text holds into options, but for the options named in
// `given` (e.g. "--mode"), which the command line set after --state. A
// volume given on the command line replaces the saved one and its reading
// options. Returns the names of the fields this version does not know;
// throws StateFileError (the reason, without the file name) when the text is
// not a saved view or a value is wrong.
std::vector<std::string> ApplyStateText(const std::string& text, const std::string& statePath,
                                        const std::set<std::string>& given, ViewerOptions& options);

// After the options have set up `state` for the volume: the saved camera,
// panes, ruler and view-fixed plane. (The light and the transfer function
// go to the renderer and the editor elsewhere.)
void ApplyRestoredView(const RestoredView& restored, const VolumeInfo& info, ViewState& state);

// ApplyStateText on a file's text; unknown fields are reported in one line
// on stderr. Throws StateFileError naming the file.
void ApplyStateFile(const std::string& path, const std::set<std::string>& given, ViewerOptions& options);

// Why `path` could not be written later (a folder, a missing or read-only
// folder), in one line naming it; empty when it can. Checked before the
// volume is read, so a mistyped --save-state is not found out at the end.
std::string StateFileProblem(const std::string& path);

// Replaces the file at once (never half written); throws StateFileError.
void WriteStateFile(const std::string& path, const std::string& text);
