#pragma once
#include "cards/code.h"
