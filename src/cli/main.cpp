#include "cli/Cli.h"

int main(int argc, char** argv) { return korvane::cli::Main(argc, argv); }
