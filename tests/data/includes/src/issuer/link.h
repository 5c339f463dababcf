#pragma once
#include "db/rows.h"
#include "common/plain.h"
