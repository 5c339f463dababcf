#pragma once
#include "issuer/link.h"
