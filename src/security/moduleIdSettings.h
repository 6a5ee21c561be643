// ID code and protect byte carried as text attributes in the module.
#pragma once

void readModuleIdSettings();
void applyModuleIdSettings();
