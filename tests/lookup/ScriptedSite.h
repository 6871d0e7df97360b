#pragma once

#include "Connection.h"
#include "HttpSession.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// An in-memory stand-in for the site: each connection follows a script of
// replies, one per request, and records every byte the client sent on it.
struct ScriptedSite
{
    // What the server does once a reply's bytes are out.
    enum class End
    {
        StayOpen,
        Close,
        Reset
    };

    struct Reply
    {
        std::string bytes;
        End end = End::StayOpen;
    };

    struct Script
    {
        std::vector<Reply> replies;
        // After its replies the server quietly closes the idle connection;
        // the client's look before reuse sees it.
        bool closedWhenIdle = false;
    };

    std::vector<Script> scripts;   // one per connection, in the order they open
    std::vector<std::string> sent; // per opened connection
    std::size_t piece = 64 * 1024; // the most bytes one receive hands over

    // Opens the next scripted connection; refuses when the scripts run out.
    HttpSession::Connector connector();
};
