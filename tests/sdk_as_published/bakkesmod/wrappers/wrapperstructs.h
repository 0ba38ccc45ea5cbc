// The SDK's header of shared structures, in wrappers/, for an SDK folder whose stand-in headers
// have none: what matters here is only where it lies (items/LoadoutSetWrapper.h).
#pragma once
