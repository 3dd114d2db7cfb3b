// The engine's life: the door to the registry, the settings read when it is
// built and written back when it goes, and the report's creation on a run's
// first hit.
#include "engine/RegKeyTools.h"

CRegKeyTools::CRegKeyTools(const char* settingsFile, IRegistryApi* registry) : m_settings(settingsFile) {
    m_narrow.registry = registry ? registry : &Win32RegistryApi();
    m_wide.registry = &Win32WideRegistryApi();
    ReadSettings();
}

CRegKeyTools::~CRegKeyTools() {
    WriteSettings();
    CloseResultFile();
}

int CRegKeyTools::ReadSettings() {
    if (!GetSettingsFileName()) return 0;
    LoadExcludeKeys(m_settings.Path());
    return m_settings.ReadOptions(Flags());
}

// Creates the report with its header block, once per run. One failed
// creation is shown once and ends the walk: every later try would fail the
// same way and show the same message again.
int CRegKeyTools::OpenReport() {
    if (m_reportFailed) return 0;
    if (!CreateFile()) {
        m_reportFailed = 1;
        return 0;
    }
    return m_report.WriteHeader({m_lookAtKeys, m_lookAtValues, m_lookAtData, m_wholeString, m_matchCase,
                                 m_searchText, m_searchTextWide});
}
