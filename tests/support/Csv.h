// A strict RFC 4180 reader for checking written CSV files: records end with CR LF, a field is
// either bare or in double quotes with "" for a quote inside. Anything else is an error.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veldrant::testing {

struct CsvField {
    std::string text;
    bool quoted = false;
};
using CsvRecord = std::vector<CsvField>;

struct CsvParse {
    std::vector<CsvRecord> records;
    std::string error;  // empty when the whole input was valid
    bool ok() const { return error.empty(); }
};

// Parses `text`; the last record must end with CR LF too.
CsvParse ParseCsv(std::string_view text);

// The fields' texts of one record.
std::vector<std::string> Texts(const CsvRecord& record);

}  // namespace veldrant::testing
