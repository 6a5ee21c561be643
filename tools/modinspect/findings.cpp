#include "findings.h"

namespace modinspect {

std::vector<Finding> preflightFindings(const DryRun &run) {
    std::vector<Finding> findings;
    for (const romcast::Warning &warning : run.result.warnings)
        findings.push_back(Finding{Finding::Kind::warning, std::nullopt, "romcast warns: " + warning.text});
    return findings;
}

}  // namespace modinspect
