// The engine's life: the registry it walks, the settings read when it is
// built and written back when it goes, and the report's creation on a run's
// first hit.
#include "engine/RegKeyTools.h"

CRegKeyTools::CRegKeyTools(const char* settingsFile, const RegistryPair& registries) : m_settings(settingsFile) {
    m_narrow.registry = &registries.narrow;
    m_wide.registry = &registries.wide;
    m_excludeUnreadable = registries.excludeUnreadable;
    ReadSettings();
}

CRegKeyTools::~CRegKeyTools() {
    if (m_settingsChanged) m_settings.WriteOptions(Flags());
    m_report.Close();
}

// Loads the exclusion list and the five options from the settings file.
int CRegKeyTools::ReadSettings() {
    if (!m_settings.GetFileName()) return 0;
    m_exclusions.Load<char>(m_settings.Path());
    return m_settings.ReadOptions(Flags());
}

// Creates the report with its header block, once per run. One failed
// creation is shown once and ends the walk: every later try would fail the
// same way and show the same message again.
int CRegKeyTools::OpenReport() {
    if (m_reportFailed) return 0;
    if (!m_report.CreateFile()) {
        m_reportFailed = 1;
        return 0;
    }
    return m_report.WriteHeader({m_lookAtKeys, m_lookAtValues, m_lookAtData, m_wholeString, m_matchCase,
                                 m_searchText, m_searchTextWide, m_headerNote.c_str()});
}
