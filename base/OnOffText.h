#pragma once
// The spelling of an option flag in the settings file and the report header.
inline const char* OnOffText(int flag) { return flag ? "On" : "Off"; }
