#include "markup_scan.h"

namespace tnk {

namespace {

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Each step below is the reader's step of the same name, keeping only
// positions. The tests hold the two together on many generated texts.
class Scanner {
  public:
    explicit Scanner(std::string_view text) : s_(text) {}

    MarkupScan run() {
        while (!atEnd(p_)) {
            readNode();
            readUntilClosed();
        }
        result_.unclosed = open_;
        return std::move(result_);
    }

  private:
    bool atEnd(std::size_t p) const { return p >= s_.size() || s_[p] == 0; }

    std::size_t skipBlanks(std::size_t p) const {
        while (p < s_.size() && isBlank(s_[p])) {
            ++p;
        }
        return p;
    }

    std::size_t scanData(std::size_t p, char stop) const {
        while (!atEnd(p) && s_[p] != stop) {
            ++p;
        }
        return p;
    }

    std::size_t scanName(std::size_t p) const {
        while (!atEnd(p) && s_[p] != '>' && !isBlank(s_[p])) {
            ++p;
        }
        return p;
    }

    std::size_t attributesEnd(std::size_t p) const {
        while (true) {
            p = skipBlanks(p);
            if (atEnd(p) || s_[p] == '>') {
                return p;
            }
            const std::size_t nameStart = p;
            while (!atEnd(p) && s_[p] != '>' && s_[p] != '=' && !isBlank(s_[p])) {
                ++p;
            }
            if (atEnd(p) || s_[p] == '>') {
                return p;
            }
            if (s_[p] != '=') {
                continue;
            }
            const std::size_t nameEnd = p++;
            if (nameEnd == nameStart || p == s_.size() || s_[p] != '"') {
                continue;
            }
            const std::size_t valueEnd = scanData(p + 1, '"');
            if (atEnd(valueEnd)) {
                return valueEnd;
            }
            p = valueEnd + 1;
        }
    }

    std::size_t append(std::size_t offset, NodeKind kind) {
        result_.nodes.push_back({offset, kind, open_.size()});
        return result_.nodes.size() - 1;
    }

    void readUntilClosed() {
        while (!open_.empty()) {
            p_ = skipBlanks(p_);
            if (atEnd(p_)) {
                return;
            }
            readNode();
        }
    }

    void readNode() {
        const std::size_t p = skipBlanks(p_);
        if (atEnd(p) || s_[p] != '<') {
            append(p, NodeKind::Text);
            p_ = scanData(p, '<');
            return;
        }
        if (s_.substr(p, 5) == "<?xml") {
            std::size_t q = p + 5;
            while (!atEnd(q) && !(s_[q] == '?' && q + 1 < s_.size() && s_[q + 1] == '>')) {
                ++q;
            }
            p_ = atEnd(q) ? q : q + 2;
            append(p, NodeKind::Element);
            return;
        }
        if (p + 1 < s_.size() && s_[p + 1] == '/') {
            const std::size_t nameEnd = scanName(p + 2);
            if (open_.empty()) {
                append(p, NodeKind::EndTag);
            } else {
                result_.closes.push_back({p, open_.back(), s_.substr(p + 2, nameEnd - p - 2)});
                open_.pop_back();
            }
            p_ = nameEnd < s_.size() && s_[nameEnd] == '>' ? nameEnd + 1 : nameEnd;
            return;
        }
        const std::size_t nameEnd = scanName(p + 1);
        const std::size_t element = append(p, NodeKind::Element);
        if (atEnd(nameEnd)) {
            p_ = nameEnd;
            return;
        }
        const std::size_t close = attributesEnd(nameEnd);
        if (atEnd(close)) {
            p_ = close;
            return;
        }
        p_ = close + 1;
        if (s_[close - 1] != '/') {
            open_.push_back(element);
        }
    }

    std::string_view s_;
    std::size_t p_ = 0;
    std::vector<std::size_t> open_;
    MarkupScan result_;
};

}  // namespace

MarkupScan scanMarkup(std::string_view utf8) {
    return Scanner(utf8).run();
}

}  // namespace tnk
