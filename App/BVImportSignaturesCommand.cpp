// `brenvik kb import-signatures FILE [--json]`: hash signatures (".hsb" text) into the user's
// override knowledge base (BVMalwareSignatureImport).
#include <cstdio>

#include "App/BVCommands.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVJSONCodec.h"
#include "KnowledgeBase/BVMalwareSignatureImport.h"

int BVCommandImportSignatures(const BVCommandContext& c) {
    std::string text, message;
    if (!BVFileIO::readFile(c.options.signaturesFile, text, size_t(1) << 30, &message)) {
        std::fprintf(stderr, "brenvik: cannot read %s: %s\n", c.options.signaturesFile.c_str(), message.c_str());
        return 2;
    }
    auto kb = BVOpenKnowledgeBase(c);
    if (!kb) return 3;
    BVSignatureImportReport report;
    BVError error;
    bool ok = BVMalwareSignatureImport::importSignatures(*kb, text, report, &error);
    for (const auto& problem : report.problems)
        std::fprintf(stderr, "brenvik: %s:%zu: skipped: %s\n", c.options.signaturesFile.c_str(), problem.line, problem.reason.c_str());
    if (!ok) {
        std::fprintf(stderr, "brenvik: the signatures were not imported: %s\n", error.localizedDescription().c_str());
        return 1;
    }
    if (c.options.json) {
        BVArray problems;
        for (const auto& problem : report.problems)
            problems.push_back(BVValue(BVDictionary{{"line", BVValue(uint64_t(problem.line))}, {"reason", BVValue(problem.reason)}}));
        BVDictionary document{{"file", BVValue(c.options.signaturesFile)},
                              {"database", BVValue(report.database)},
                              {"read", BVValue(uint64_t(report.read))},
                              {"added", BVValue(uint64_t(report.added))},
                              {"alreadyPresent", BVValue(uint64_t(report.alreadyPresent))},
                              {"skipped", BVValue(uint64_t(report.skipped))},
                              {"problems", BVValue(std::move(problems))}};
        BVWriteOutput(BVJSONCodec::encode(BVValue(document), 2) + "\n");
    } else {
        BVWriteOutput("Read " + std::to_string(report.read) + " signatures: " + std::to_string(report.added) + " added, " +
                      std::to_string(report.alreadyPresent) + " already present, " + std::to_string(report.skipped) +
                      " skipped.\n  knowledge base: " + c.paths.abbreviateHome(report.database) + "\n");
    }
    return 0;
}
