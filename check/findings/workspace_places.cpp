#include "check/findings/workspace_places.h"

namespace {

// Which of two workspaces of one name /get wrote last: 1 the first, 2 the second, 0 neither.
int Newer(const DriveWorkspace& first, const DriveWorkspace& second) {
    return first.written > second.written ? 1 : second.written > first.written ? 2 : 0;
}

}  // namespace

WorkspacePlaces JudgeWorkspacePlaces(std::vector<DriveWorkspace> all, const WorkspaceReport& primary, const WorkspaceReport& second) {
    WorkspacePlaces places;
    places.all = std::move(all);
    const WorkspaceReport* reports[2] = {&primary, &second};
    const DriveWorkspace* taken[2] = {nullptr, nullptr};
    for (const DriveWorkspace& place : places.all) {
        const WorkspaceReport& report = *reports[place.which == Workspace::Primary ? 0 : 1];
        bool isTaken = _wcsicmp(place.path.c_str(), report.path.c_str()) == 0;
        places.taken.push_back(isTaken);
        if (isTaken) taken[place.which == Workspace::Primary ? 0 : 1] = &place;
    }
    for (size_t i = 0; i < places.all.size(); ++i) {
        const DriveWorkspace& place = places.all[i];
        size_t which = place.which == Workspace::Primary ? 0 : 1;
        const DriveWorkspace* used = taken[which];
        if (used == &place) continue;
        if (!place.resolves) {
            places.problems.push_back({Say::WorkspaceOnUnresolvedDrive, {place.path}});
        } else if (used != nullptr) {
            places.problems.push_back({Say::WorkspaceNotTaken, {place.path, used->path}, Newer(place, *used)});
            int newest = places.newer[which];
            if (place.written > (newest < 0 ? used : &places.all[static_cast<size_t>(newest)])->written) places.newer[which] = static_cast<int>(i);
        }
    }
    return places;
}
