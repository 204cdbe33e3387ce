#pragma once

#include <string>
#include <vector>

// Writes IBus's preload-engines into the (in-memory) settings the check reads.
void SetIBusPreloadEngines(const std::vector<std::string>& engines);
