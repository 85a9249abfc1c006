#pragma once

// Every public header of Nodeloom.
#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/RawValue.h"
