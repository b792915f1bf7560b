#include "noxel/publish.h"
