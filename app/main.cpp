// Volume viewer: reads the command line and the volume it names, opens the
// window, sets up the renderer with that volume (the Julia set without one)
// and runs the GLUT main loop.
#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>

#include "app/app_state.h"
#include "app/callback_guard.h"
#include "app/display.h"
#include "app/idle_callback.h"
#include "app/benchmark_run.h"
#include "app/input_callbacks.h"
#include "app/interactive_detail.h"
#include "app/message_box.h"
#include "app/opened_volume.h"
#include "app/options.h"
#include "app/screenshot.h"
#include "app/startup.h"
#include "app/state_file.h"
#include "app/transfer_files.h"
#include "app/viewer.h"
#include "app/window_size.h"
#include "app/window_title.h"
#include "files/data_path.h"
#include "files/escaped_name.h"
#include "glux/glux_platform.h"
#include "render/vol_render.h"
#include "sources/fluid_fields.h"
#include "sources/julia.h"

namespace {

// A caught error's box, after which main returns 0; for a batch run its
// lines alone and exit code 1.
int Fatal(bool batch, const char* caption, const char* text) {
  if (batch) {
    ReportInLine(caption, text);
    return 1;
  }
  ShowMessageBox(caption, text);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The report and the sub-volume lines reach a pipe or a log as they happen.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  ViewerOptions options;
  if (const std::optional<int> exitCode = ParseCommandLine(argc, argv, options)) return *exitCode;
  // Found out before a long load, not after it.
  const std::array<int, 2> windowSize = RequestedWindowSize(options);
  if (const std::string problem = WindowMemoryProblem(windowSize); !problem.empty()) {
    std::fprintf(stderr, "volview: %s\n", problem.c_str());
    return 1;
  }
  if (!options.screenshot.empty()) {
    const std::string problem =
        PictureOutputProblem(options.screenshot, std::max(options.turntable, 1), windowSize);
    if (!problem.empty()) {
      std::fprintf(stderr, "%s: cannot write the %s: %s\n", EscapedName(options.screenshot).c_str(),
                   options.turntable > 0 ? "turntable" : "screenshot", problem.c_str());
      return 1;
    }
  }
  if (!options.saveStateFile.empty()) {
    const std::string problem = StateFileProblem(options.saveStateFile);
    if (!problem.empty()) {
      std::fprintf(stderr, "volview: %s\n", problem.c_str());
      return 1;
    }
  }
  if (!CheckTransferOptions(options)) return 1;
  // A volume that cannot be read ends the program before any window opens.
  if (!options.volume.empty()) {
    if (options.info && PrintSeveralSeries(options)) return 0;
    if (!LoadOpenedVolume(options)) return 1;
    if (options.info) {
      PrintOpenedVolumeInfo(options);
      return 0;
    }
    if (!CreateViewer(options)) return 2;
  }
  if (!SetUpTransferFiles(options, TransferWindow())) return 1;
  if (!options.screenshot.empty()) {
    RequestScreenshot(options.screenshot, std::max(options.turntable, 1));
  }

  const bool opened = OpenedViewState() != nullptr;
  // A run that writes pictures or figures and exits has no one to close a
  // box: its fatal errors are a line on stderr and exit code 1.
  const bool batch = !options.screenshot.empty() || options.benchmark > 0;
  GluxPlatform platform = gluxPlatform();
  platform.showMessageBox = batch ? ReportInLine : ShowMessageBox;
  gluxSetPlatform(platform);

  int glutArgc = static_cast<int>(options.glutArgs.size());
  glutInit(&glutArgc, options.glutArgs.data());
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  // Set after glutInit, the default size would override -geometry's.
  if (options.size) {
    glutInitWindowSize((*options.size)[0], (*options.size)[1]);
  } else if (!options.geometryGiven) {
    glutInitWindowSize(500, 500);
  }
  glutCreateWindow("3D volume rendering, Orvane Octobre 2003");
  // A picture or a timing of less than the window asked for would mislead.
  if (batch && (options.size || options.geometrySize)) {
    if (const std::string problem = WindowDrawableProblem(windowSize); !problem.empty()) {
      std::fprintf(stderr, "volview: %s\n", problem.c_str());
      return 1;
    }
  }
  if (opened) NameCurrentWindow(ViewerTitle(options.volume));
  glutDisplayFunc(Guarded<DisplayCallback>);
  glutKeyboardFunc(Guarded<KeyboardCallback, unsigned char, int, int>);
  glutReshapeFunc(Guarded<ReshapeCallback, int, int>);
  glutMouseFunc(Guarded<MouseCallback, int, int, int, int>);
  glutMotionFunc(Guarded<MotionCallback, int, int>);
  glutIdleFunc(Guarded<IdleCallback>);
  // The built-in sources install none beyond these six.
  if (OpenedViewState() != nullptr) {
    glutSpecialFunc(Guarded<SpecialCallback, int, int, int>);
    glutPassiveMotionFunc(Guarded<PassiveMotionCallback, int, int>);
  }

  if (opened && !options.verbose) {
    PrintGlSummary();
  } else {
    PrintGlInfo();
  }
  InitFluidDefaults(OpenedVolume() == nullptr);
  InitGlState();
  if (options.background) {
    const std::array<float, 3>& rgb = *options.background;
    glClearColor(rgb[0], rgb[1], rgb[2], 0.0f);
  }
  LoadTga(DataFilePath("zemaLogo Small.tga").c_str(), gLogo);

  try {
    gRenderer.Init();
    UploadLoadedTransfer();
    if (OpenedViewState() != nullptr) {
      StartViewer(options);
    } else {
      BuildJuliaVolume(gDensity, gFluidNX, gFluidNY, gFluidNZ, 0.0);
      gRenderer.SetData(gDensity, gFluidNX, gFluidNY, gFluidNZ);
      gRenderer.BuildGradients();
    }
    glutMainLoop();
    RethrowCallbackError();
  } catch (VolRender::CgError& error) {
    return Fatal(batch, error.message.c_str(), error.listing.c_str());
  } catch (VolRender::Error& error) {
    return Fatal(batch, "Erreur VolRender", error.message.c_str());
  }
  return 0;
}
