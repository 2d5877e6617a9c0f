#include "app/ButtonModes.h"

#include "platform/SystemServices.h"

namespace kestrum {

bool newCommentsOffered(const Options& options) {
    return options.commentMode == 3 && options.viewerMode == 0;
}

ButtonModes buttonModes(int version, const Options& options, const WindowOpenFlags& open) {
    ButtonModes modes;
    if (options.keywordMode != 0) {
        modes.scannedWordsVisible = true;
        modes.scannedWordsEnabled = options.keywordMode == 2 && version >= 5 && version != 7;
        modes.showKeywords = modes.scannedWordsEnabled && open.keywords;
    }
    if (options.commentMode != 0) {
        modes.textVisible = true;
        modes.textEnabled = options.commentMode >= 2;
        modes.showNewComments = newCommentsOffered(options) && open.newComments;
        modes.showExistingComments = options.commentMode >= 2 && open.existingComments;
    }
    if (options.exportMode != 0) {
        modes.exportVisible = true;
        modes.exportEnabled = options.exportMode == 2;
    }
    return modes;
}

void adjustModesForPlatform(Options& options, std::uint32_t osPlatformId) {
    if (osPlatformId == kPlatformNtFamily)
        return;
    if (options.commentMode == 3)
        options.commentMode = 2;
    if (options.exportMode == 2 && options.exportVariant == 1)
        options.exportMode = 1;
}

} // namespace kestrum
