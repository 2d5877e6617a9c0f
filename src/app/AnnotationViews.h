#pragma once

#include <string>
#include <vector>

namespace kestrum {

// The existing-comments and new-comments windows, given the comment text as stored (Windows-1252)
// by what shows a recording read (showSectionsRead) and by a save.
class CommentsDisplay {
  public:
    virtual ~CommentsDisplay() = default;
    virtual void clearExistingComments() = 0;
    virtual void clearNewComments() = 0;
    virtual void showExistingComments(const std::string& text) = 0;
};

// The keyword window's list, given its lines (KeywordListLines) as stored: Windows-1252, one line
// per entry.
class KeywordListDisplay {
  public:
    virtual ~KeywordListDisplay() = default;
    virtual void clearKeywordList() = 0;
    virtual void addKeywordLine(const std::string& line) = 0;
};

// The comment and keyword windows as a save and an addition use them: the new comments typed,
// and the two Save buttons.
class AnnotationViews : public CommentsDisplay, public KeywordListDisplay {
  public:
    // The new-comments window's text as typed (UTF-8), lines separated by CR LF.
    virtual std::string newCommentsText() const = 0;
    virtual void setSaveButtonsEnabled(bool enabled) = 0;
};

// Keeps what it is given; used where no window exists (the command-line tools, tests).
class TextDisplays : public AnnotationViews {
  public:
    std::string newCommentsText() const override { return newComments; }
    void setSaveButtonsEnabled(bool enabled) override { saveEnabled = enabled; }
    void clearExistingComments() override { existingComments.clear(); }
    void clearNewComments() override { newComments.clear(); }
    void showExistingComments(const std::string& text) override { existingComments = text; }
    void clearKeywordList() override { keywordLines.clear(); }
    void addKeywordLine(const std::string& line) override { keywordLines.push_back(line); }

    std::string existingComments;
    std::string newComments;
    std::vector<std::string> keywordLines;
    bool saveEnabled = false;
};

} // namespace kestrum
