#include "tests/faults/FaultMatrix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>

namespace veldrant::faults {

namespace {

std::mutex& Mutex() {
    static std::mutex m;
    return m;
}

std::vector<MatrixRow>& Rows() {
    static std::vector<MatrixRow> rows;
    return rows;
}

std::string Cell(std::string s) {
    for (size_t p = 0; (p = s.find('|', p)) != std::string::npos; p += 2)
        s.replace(p, 1, "\\|");
    return s;
}

class MatrixPrinter : public ::testing::Environment {
public:
    void TearDown() override {
        std::vector<MatrixRow> rows = MatrixRows();
        if (rows.empty())
            return;
        std::string table = MatrixMarkdown(rows);
        std::cout << "\nFault matrix (" << rows.size() << " cases)\n" << table;
        if (const char* path = std::getenv("VELDRANT_FAULT_MATRIX"); path && *path) {
            std::ofstream out(path, std::ios::binary | std::ios::app);
            out << table;
        }
    }
};

const auto* const kPrinter = ::testing::AddGlobalTestEnvironment(new MatrixPrinter);

}  // namespace

void AddMatrixRow(MatrixRow row) {
    std::lock_guard lock(Mutex());
    Rows().push_back(std::move(row));
}

std::vector<MatrixRow> MatrixRows() {
    std::lock_guard lock(Mutex());
    return Rows();
}

std::string MatrixMarkdown(const std::vector<MatrixRow>& rows) {
    std::string s = "| Operation | Fault | What the user saw | Next run, fault lifted |\n";
    s += "|---|---|---|---|\n";
    for (const MatrixRow& r : rows) {
        s += "| " + Cell(r.operation) + " | " + Cell(r.fault) + " | " + Cell(r.seen) + " | " +
             Cell(r.nextRun) + " |\n";
    }
    return s;
}

}  // namespace veldrant::faults
