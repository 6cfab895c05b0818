// Placeholder until the engine lands.
#include "pattern.h"
