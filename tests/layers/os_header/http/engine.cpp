// Above the seam no OS header may appear.
#include <unistd.h>
