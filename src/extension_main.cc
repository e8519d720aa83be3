// The extension executable: its entry point is the platform's extension runner.
#include "platform/extension_runner.h"

int main(int argc, char** argv) { return calldir::platform::NSExtensionMain(argc, argv); }
