#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct Fts5Tokenizer;
struct fts5_tokenizer;
struct sqlite3;

namespace kestrum {

// A control character, which the words' matching treats as a blank between parts.
inline bool isAsciiControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// The words of a text as the catalogue's full-text index keeps them: SQLite's own FTS5 tokenizer
// (kTextTokenizer), letters and digits of every script folded to lower case without their accents,
// punctuation, symbols and emoji left out. Both back ends take their words from it, so that a search
// finds the same calls on either. `connection` gives the tokenizer and must outlive this.
class IndexWords {
  public:
    explicit IndexWords(sqlite3* connection);
    ~IndexWords();
    IndexWords(const IndexWords&) = delete;
    IndexWords& operator=(const IndexWords&) = delete;

    // Calls `word` with each word of `text`, in order, as the index keeps it.
    void forEachWord(std::string_view text, const std::function<void(std::string_view)>& word);
    // Whether `text` holds any word the index keeps.
    bool findsWordIn(std::string_view text);

  private:
    std::vector<std::string> arguments_; // kept while the tokenizer lives
    fts5_tokenizer* methods_ = nullptr;
    Fts5Tokenizer* tokenizer_ = nullptr;
};

} // namespace kestrum
