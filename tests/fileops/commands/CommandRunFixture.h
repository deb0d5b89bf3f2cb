#pragma once

// The one command fixture under the name the cancel tests were written with.
#include "CommandFixture.h"

namespace ferrolet::test {
class CommandRunFixture : public CommandTest {};
} // namespace ferrolet::test
