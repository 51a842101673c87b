#pragma once

// Private to the record-set sources: the helpers every part of TMeral3Command uses to tell its
// handlers and bound views what happened.

#include "sql3_command.h"

#include <algorithm>

inline void Fire(const TMeral3Command::TNotify& event, TMeral3Command& ds)
{
    if (event)
        event(ds);
}

template <typename F> void TMeral3Command::ForEachLink(F f)
{
    if (disableCount_ > 0)
        return;
    const std::vector<TDataLink*> links = links_;  // a view may unregister while being told
    for (TDataLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            f(link);
}
