#pragma once
// A failure of the database layer; its text is the engine's own message (or ours, for misuse of a
// query such as editing a closed one) and reaches the user through the general error display.
#include "common/errors.h"

class DbError : public VelmoraError
{
public:
    using VelmoraError::VelmoraError;
};
