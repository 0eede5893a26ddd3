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
#include "app/transfer_files.h"
#include "app/viewer.h"
#include "glux/glux_platform.h"
#include "render/vol_render.h"
#include "sources/fluid_fields.h"
#include "sources/julia.h"

int main(int argc, char** argv) {
  // The report and the sub-volume lines reach a pipe or a log as they happen.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  ViewerOptions options;
  if (const std::optional<int> exitCode = ParseCommandLine(argc, argv, options)) return *exitCode;
  // Found out before a long load, not after it.
  if (options.turntable > 0) {
    const std::string problem = ScreenshotFolderProblem(options.screenshot);
    if (!problem.empty()) {
      std::fprintf(stderr, "%s: cannot write the turntable: %s\n", options.screenshot.c_str(),
                   problem.c_str());
      return 1;
    }
  }
  // A volume that cannot be read ends the program before any window opens.
  if (!options.volume.empty()) {
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

  GluxPlatform platform = gluxPlatform();
  platform.showMessageBox = ShowMessageBox;
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

  PrintGlInfo();
  InitFluidDefaults(OpenedVolume() == nullptr);
  InitGlState();
  LoadTga("zemaLogo Small.tga", gLogo);

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
    ShowMessageBox(error.message.c_str(), error.listing.c_str());
  } catch (VolRender::Error& error) {
    ShowMessageBox("Erreur VolRender", error.message.c_str());
  }
  return 0;
}
