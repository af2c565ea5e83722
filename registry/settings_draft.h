// The settings file of a backup pass is written as a draft beside it and replaces it only when
// whole, so that a full drive or a failed write never leaves a settings file cut short in the
// workspace, nor takes the place of the complete one an earlier backup left there.
#pragma once

#include <string>

#include "base/environment.h"
#include "base/path_buffer.h"

class SettingsDraft {
public:
    // Points the run context's settings file at the draft, "Movendo.ini.mvpart" in the workspace,
    // which starts empty: the settings file this pass commits holds exactly the records it wrote.
    // Nothing is begun when either name is a link (it is left alone), when a name does not fit,
    // or when a draft left by an earlier run cannot be removed: the pass then writes no record.
    // With begin false nothing is begun (the settings file holds the pass's records already).
    SettingsDraft(CEnvironment& env, bool begin);
    // Deletes the draft unless it was committed, and points the run context back at the
    // settings file.
    ~SettingsDraft();
    SettingsDraft(const SettingsDraft&) = delete;
    SettingsDraft& operator=(const SettingsDraft&) = delete;

    // True when records are to be written this pass.
    bool Begun() const { return begun_; }
    // Replaces the settings file by the draft when every record write succeeded and the draft is
    // whole on disk (see settings_draft.cpp), or removes it when the pass wrote no record;
    // otherwise the settings file stays as it was.
    void Commit();

private:
    CEnvironment& env_;
    std::wstring settings_;
    PathBuffer draft_ = {};
    bool begun_ = false;
};
