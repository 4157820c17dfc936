// The table of outcomes: operation × fault → what the user saw. Every case adds its row; the
// rows of the cases a run executed are printed as a Markdown table when the run ends, and
// written to the file named by $VELDRANT_FAULT_MATRIX when it is set (docs/fault-matrix.md is
// made that way from a run of the whole suite).
#pragma once

#include <string>
#include <vector>

namespace veldrant::faults {

struct MatrixRow {
    std::string operation;
    std::string fault;
    std::string seen;     // what the user saw
    std::string nextRun;  // what the next run after the fault was lifted gave
};

void AddMatrixRow(MatrixRow row);
std::vector<MatrixRow> MatrixRows();
std::string MatrixMarkdown(const std::vector<MatrixRow>& rows);

}  // namespace veldrant::faults
