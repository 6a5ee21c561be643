#include "plan/imagePlan.h"

#include "common/messages.h"
#include "common/runError.h"
#include "module/moduleHeader.h"
#include "options/runSettings.h"

bool planDualArea(const RunSettings &settings, const ModuleTarget &target) {
    if (target.dualArea && settings.has(flag::binaryOutput)) fatalError(err::dualAreaBinary);
    return target.dualArea || settings.has(flag::forceDualArea);
}
