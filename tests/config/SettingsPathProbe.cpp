// Builds the engine with its settings beside its own executable, as the
// dialog program does, and prints the path it chose. The settings tests run
// copies of it under other names.
#include <cstdio>

#include "engine/RegKeyTools.h"
#include "errors/ReportError.h"
#include "registry/LiveRegistry.h"

namespace {

void PrintError(const char* message) { std::fprintf(stderr, "%s", message); }

}  // namespace

int main() {
    SetErrorPresenter(&PrintError);
    CRegKeyTools tools(nullptr, LiveRegistries());
    std::printf("%s", tools.Settings().Path());
    return tools.Settings().Path()[0] ? 0 : 1;
}
