#pragma once

#include "fileops/commands/CommandContext.h"

namespace ferrolet {

// Starts the sound the user picked ("LastSelectedSound") without waiting for
// it. Nothing plays when no sound is set or the name matches no sound.
void PlayCompletionSound(CommandContext& ctx);

} // namespace ferrolet
