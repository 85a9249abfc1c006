#pragma once

// Every public header of Nodeloom.
#include "Nodeloom/foundation/FileUtilities.h"
#include "Nodeloom/foundation/Matrix.h"
#include "Nodeloom/foundation/NumberText.h"
#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/RawValue.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/platform/Directories.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/Size.h"
#include "Nodeloom/foundation/Vector.h"
