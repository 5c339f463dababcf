#pragma once
#include "cards/code.h"
#include "cards/tab.h"
#include "issuer/link.h"
