#include "app/ButtonModes.h"

#include "platform/SystemServices.h"
#include "recording/VersionTable.h"

namespace kestrum {

namespace {

bool existingCommentsOpen(CommentMode mode) {
    return mode == CommentMode::ReadExisting || mode == CommentMode::AddNew;
}

} // namespace

bool newCommentsOffered(const Options& options) {
    return options.commentMode == CommentMode::AddNew && !options.viewerMode;
}

ButtonModes buttonModes(int version, const Options& options, const WindowOpenFlags& open) {
    ButtonModes modes;
    if (options.keywordMode != KeywordMode::Hidden) {
        modes.scannedWordsVisible = true;
        modes.scannedWordsEnabled = options.keywordMode == KeywordMode::Enabled && keywordButtonLive(version);
        modes.showKeywords = modes.scannedWordsEnabled && open.keywords;
    }
    if (options.commentMode != CommentMode::Hidden) {
        modes.textVisible = true;
        modes.textEnabled = existingCommentsOpen(options.commentMode);
        modes.showNewComments = newCommentsOffered(options) && open.newComments;
        modes.showExistingComments = existingCommentsOpen(options.commentMode) && open.existingComments;
    }
    if (options.exportMode != ExportMode::Hidden) {
        modes.exportVisible = true;
        modes.exportEnabled = options.exportMode == ExportMode::Enabled;
    }
    return modes;
}

void adjustModesForPlatform(Options& options, std::uint32_t osPlatformId) {
    if (osPlatformId == kPlatformNtFamily)
        return;
    if (options.commentMode == CommentMode::AddNew)
        options.commentMode = CommentMode::ReadExisting;
    if (options.exportMode == ExportMode::Enabled && options.exportVariant == ExportVariant::ExportList)
        options.exportMode = ExportMode::Disabled;
}

} // namespace kestrum
