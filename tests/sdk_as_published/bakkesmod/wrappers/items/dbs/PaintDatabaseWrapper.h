// As the host's SDK writes it: "ProductPaintWrapper.h" lies one folder up, in items/, the folder
// of the header that included this one (items/ItemsWrapper.h), where Microsoft's compiler finds
// it.
#pragma once

#include "ProductPaintWrapper.h"
