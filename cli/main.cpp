#include <unistd.h>

#include <iostream>

#include "cli/QoCli.h"
#include "platforms/QoPlatformModules.h"

int main(int argc, char** argv) {
  QoKeepLargeBlocksForBatches();
  const std::vector<std::string> args(argv + 1, argv + argc);
  return QoRunCli(args, std::cout, std::cerr, QoDefaultRegistry(), isatty(STDERR_FILENO) != 0);
}
