#include "filter/os.h"
#include "filter/program.h"

int main(int argc, char** argv) {
  tagsift::filter::os::Initialise();
  return tagsift::filter::RunProgram(tagsift::filter::os::Arguments(argc, argv));
}
