#include "filter/os.h"
#include "filter/program.h"

int main(int argc, char** argv) {
  filter::os::Initialise();
  return filter::RunProgram(filter::os::Arguments(argc, argv));
}
