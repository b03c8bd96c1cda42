#include "db/ado/jet/JetSelect.h"

#include "base/CString.h"

namespace veltmoor::ado::jet {

namespace {

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    void SkipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || (text_[pos_] >= '\t' && text_[pos_] <= '\r'))) ++pos_;
    }
    bool Punct(char c) {
        SkipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }
    // A name: [anything but ']'], or a run of letters, digits, '_' and non-ASCII bytes.
    std::optional<std::string> Name() {
        SkipBlanks();
        if (pos_ < text_.size() && text_[pos_] == '[') {
            const size_t close = text_.find(']', pos_ + 1);
            if (close == std::string_view::npos || close == pos_ + 1) return std::nullopt;
            std::string name(text_.substr(pos_ + 1, close - pos_ - 1));
            pos_ = close + 1;
            return name;
        }
        const size_t start = pos_;
        while (pos_ < text_.size() && IsNameByte(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        if (pos_ == start) return std::nullopt;
        return std::string(text_.substr(start, pos_ - start));
    }
    // A keyword (a plain name, without regard to case).
    bool Keyword(std::string_view word) {
        const size_t start = pos_;
        SkipBlanks();
        if (pos_ < text_.size() && text_[pos_] == '[') {
            pos_ = start;
            return false;
        }
        const std::optional<std::string> name = Name();
        if (name && EqualsNoCase(*name, word)) return true;
        pos_ = start;
        return false;
    }
    bool AtEnd() {
        SkipBlanks();
        return pos_ == text_.size();
    }

private:
    static bool IsNameByte(unsigned char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c >= 0x80;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

std::optional<PlainSelect> ParsePlainSelect(std::string_view sql) {
    Scanner in(sql);
    if (!in.Keyword("SELECT")) return std::nullopt;
    PlainSelect select;
    do {
        if (in.Keyword("FROM")) return std::nullopt;  // an empty column list
        std::optional<std::string> column = in.Name();
        if (!column) return std::nullopt;
        select.columns.push_back(std::move(*column));
    } while (in.Punct(','));
    if (!in.Keyword("FROM")) return std::nullopt;
    std::optional<std::string> table = in.Name();
    if (!table) return std::nullopt;
    select.table = std::move(*table);
    in.Punct(';');
    select.complete = in.AtEnd();
    return select;
}

}  // namespace veltmoor::ado::jet
