// As the host's SDK writes it: a header of items/ that names "wrapperstructs.h", which lies in
// wrappers/. Microsoft's compiler finds it in the folder of the file that included this one
// (wrappers/includes.h), so the build with another compiler must as well.
#pragma once

#include "wrapperstructs.h"
