#include "CompletionSound.h"

#include "settings/Prefs.h"

namespace ferrolet {

void PlayCompletionSound(CommandContext& ctx) {
    const QString name = ReadLastSelectedSound(ctx.settings);
    if (!name.isEmpty()) {
        ctx.platform.PlaySound(name);
    }
}

} // namespace ferrolet
