#include "db/rows.h"
#include "common/window.h"
