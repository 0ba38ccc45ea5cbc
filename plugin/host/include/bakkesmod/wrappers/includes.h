// Host SDK: every wrapper class, so that including the plugin header brings them all in.
#pragma once

#include "bakkesmod/wrappers/Engine/ActorWrapper.h"
#include "bakkesmod/wrappers/Engine/ObjectWrapper.h"
#include "bakkesmod/wrappers/GameObject/PriWrapper.h"
#include "bakkesmod/wrappers/PlayerControllerWrapper.h"
#include "bakkesmod/wrappers/arraywrapper.h"
#include "bakkesmod/wrappers/canvaswrapper.h"
#include "bakkesmod/wrappers/items/ItemsWrapper.h"
#include "bakkesmod/wrappers/items/ProductSlotWrapper.h"
#include "bakkesmod/wrappers/items/ProductWrapper.h"
#include "bakkesmod/wrappers/wrapperstructs.h"
