#include "tests/support/Csv.h"

namespace veldrant::testing {
namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    CsvParse Run() {
        CsvParse out;
        while (pos_ < text_.size()) {
            CsvRecord record;
            if (!ReadRecord(record)) {
                out.error = error_ + " at byte " + std::to_string(pos_);
                return out;
            }
            out.records.push_back(std::move(record));
        }
        return out;
    }

private:
    bool ReadRecord(CsvRecord& record) {
        for (;;) {
            CsvField field;
            if (!ReadField(field))
                return false;
            record.push_back(std::move(field));
            if (pos_ >= text_.size())
                return Fail("record not ended by CR LF");
            char c = text_[pos_];
            if (c == ',') {
                ++pos_;
                continue;
            }
            if (c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') {
                pos_ += 2;
                return true;
            }
            return Fail("unexpected character after a field");
        }
    }

    bool ReadField(CsvField& field) {
        if (pos_ < text_.size() && text_[pos_] == '"') {
            field.quoted = true;
            ++pos_;
            for (;;) {
                if (pos_ >= text_.size())
                    return Fail("unterminated quoted field");
                char c = text_[pos_++];
                if (c != '"') {
                    field.text.push_back(c);
                } else if (pos_ < text_.size() && text_[pos_] == '"') {
                    field.text.push_back('"');
                    ++pos_;
                } else {
                    return true;
                }
            }
        }
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == ',' || c == '\r')
                return true;
            if (c == '"' || c == '\n')
                return Fail("quote or line feed in a bare field");
            field.text.push_back(c);
            ++pos_;
        }
        return true;
    }

    bool Fail(const char* why) {
        error_ = why;
        return false;
    }

    std::string_view text_;
    size_t pos_ = 0;
    std::string error_;
};

}  // namespace

CsvParse ParseCsv(std::string_view text) {
    return Reader(text).Run();
}

std::vector<std::string> Texts(const CsvRecord& record) {
    std::vector<std::string> texts;
    texts.reserve(record.size());
    for (const CsvField& f : record)
        texts.push_back(f.text);
    return texts;
}

}  // namespace veldrant::testing
