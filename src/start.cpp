#include "start.h"

TForm3::TForm3() {}
