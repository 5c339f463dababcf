#include "db/rows.h"
#include "issuer/panel.h"
#include "testsupport.h"
