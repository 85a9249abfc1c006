#pragma once

// Every public header of Nodeloom.
#include "Nodeloom/document/ClassDescriptor.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Metatype.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Convertor.h"
#include "Nodeloom/foundation/Hasher.h"
#include "Nodeloom/foundation/Matrix.h"
#include "Nodeloom/foundation/NumberText.h"
#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/RawValue.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/Size.h"
#include "Nodeloom/foundation/Vector.h"
