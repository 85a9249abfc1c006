#pragma once

// Every public header of Nodeloom.
#include "Nodeloom/foundation/Edge.h"
#include "Nodeloom/foundation/Geometry.h"
#include "Nodeloom/foundation/Graph.h"
#include "Nodeloom/foundation/Grid.h"
#include "Nodeloom/foundation/Matrix.h"
#include "Nodeloom/foundation/NumberText.h"
#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/RawValue.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/Size.h"
#include "Nodeloom/foundation/Utilities.h"
#include "Nodeloom/foundation/Vector.h"
#include "Nodeloom/foundation/Vertex.h"
