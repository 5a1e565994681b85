// The driver shared by the oracle checkers: reads a case file written by a
// generator in this directory (a "# seed ..." line, then one case per line,
// tab-separated fields with backslash escapes), runs every case and reports
// each failure with the seed, the case number and the input.
#ifndef QBXMLLIB5_TESTS_ORACLE_ORACLEMAIN_H
#define QBXMLLIB5_TESTS_ORACLE_ORACLEMAIN_H

#include <exception>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "core/CQbException.h"

namespace QbOracle {

using Fields = std::vector<std::string>;
// Runs one case; returns the empty string when it passes, else what went wrong.
using CaseRunner = std::function<std::string(const Fields&)>;

inline Fields SplitCase(const std::string& line) {
    Fields fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\t') {
            fields.emplace_back();
        } else if (line[i] == '\\' && i + 1 < line.size()) {
            const char c = line[++i];
            fields.back() += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        } else {
            fields.back() += line[i];
        }
    }
    return fields;
}

inline int RunOracle(int argc, char** argv, const CaseRunner& run) {
    std::ifstream in(argc == 2 ? argv[1] : "", std::ios::binary);
    std::string header;
    if (!std::getline(in, header) || header.rfind("# seed", 0) != 0) {
        std::cerr << "usage: " << argv[0] << " CASEFILE (a generator's output)\n";
        return 2;
    }
    long caseNumber = 0, failed = 0;
    for (std::string line; std::getline(in, line);) {
        ++caseNumber;
        std::string problem;
        try {
            problem = run(SplitCase(line));
        } catch (const QbXmlLib5::CQbException& e) {
            problem = "exception: " + e.GetFullMessage();
        } catch (const std::exception& e) {
            problem = std::string("exception: ") + e.what();
        }
        if (!problem.empty() && ++failed <= 50) {
            std::cout << "FAILED (" << header.substr(2) << ") case " << caseNumber << ": " << line
                      << "\n    " << problem << "\n";
        }
    }
    std::cout << argv[0] << ": " << caseNumber << " cases, " << failed << " failed\n";
    return failed == 0 && caseNumber > 0 ? 0 : 1;
}

}  // namespace QbOracle

#endif  // QBXMLLIB5_TESTS_ORACLE_ORACLEMAIN_H
