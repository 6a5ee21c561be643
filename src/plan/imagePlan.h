// Everything the writers of an image are built from: the plans of the run's
// steps, read-only while the image is written.
#pragma once

#include "module/moduleLayout.h"
#include "plan/namesPlan.h"
#include "plan/rangePlan.h"
#include "plan/securityPlan.h"

struct ModuleTarget;
struct RunSettings;

struct ImagePlan {
    const RunSettings &settings;
    const NamesPlan &names;
    const RangePlan &range;
    const SecurityPlan &security;
    ModuleExtent extent;
    bool dualArea;  // a CODE and a ROM data file
};

// The output form against the module's target, as soon as the target is known:
// a binary image holds one area, so a module for the dual-area chip cannot
// become one (error 16); then "+d51x" forces two areas. Whether there are two.
bool planDualArea(const RunSettings &settings, const ModuleTarget &target);
