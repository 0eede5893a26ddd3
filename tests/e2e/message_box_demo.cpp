// Shows one message box and reports when the user has dismissed it.
#include <cstdio>
#include <cstring>

#include "app/message_box.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: message_box_demo CAPTION TEXT [error]\n");
    return 2;
  }
  ShowMessageBox(argv[1], argv[2], argc > 3 && std::strcmp(argv[3], "error") == 0);
  std::printf("dismissed\n");
  return 0;
}
