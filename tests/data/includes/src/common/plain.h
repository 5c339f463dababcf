#pragma once
#include "common/window.h"
