#pragma once
#include "common/window.h"
#include "issuer/link.h"
