#include "fileops/commands/CompletionSound.h"

#include "settings/OptionReaders.h"

namespace ferrolet {

void PlayCompletionSound(CommandContext& ctx) {
    const QString name = ReadLastSelectedSound(ctx.settings);
    if (!name.isEmpty()) {
        ctx.platform.PlaySound(name);
    }
}

} // namespace ferrolet
