#include "ScriptedSite.h"

#include "HttpError.h"

#include <algorithm>
#include <cstring>

namespace {

class ScriptedConnection final : public Connection
{
public:
    ScriptedConnection(ScriptedSite &site, std::size_t index) : site_(site), index_(index) {}

    void send(std::string_view bytes) override
    {
        site_.sent[index_] += bytes;
        ++requests_;
        offset_ = 0;
    }

    std::size_t receive(char *buffer, std::size_t size) override
    {
        const auto &replies = script().replies;
        if (requests_ == 0 || requests_ > replies.size())
            return 0; // the server had already closed: nothing answers
        const ScriptedSite::Reply &reply = replies[requests_ - 1];
        if (offset_ < reply.bytes.size()) {
            const std::size_t n = std::min({size, site_.piece, reply.bytes.size() - offset_});
            std::memcpy(buffer, reply.bytes.data() + offset_, n);
            offset_ += n;
            return n;
        }
        switch (reply.end) {
        case ScriptedSite::End::Close:
            return 0;
        case ScriptedSite::End::Reset:
            throw HttpConnectionLost("connection reset", false);
        case ScriptedSite::End::StayOpen:
            break;
        }
        throw HttpTimeout("no reply within the read time-out");
    }

    bool unusable() override
    {
        return script().closedWhenIdle && requests_ >= script().replies.size();
    }

private:
    const ScriptedSite::Script &script() const { return site_.scripts[index_]; }

    ScriptedSite &site_;
    std::size_t index_;
    std::size_t requests_ = 0;
    std::size_t offset_ = 0;
};

} // namespace

HttpSession::Connector ScriptedSite::connector()
{
    return [this]() -> std::unique_ptr<Connection> {
        if (sent.size() >= scripts.size())
            throw HttpConnectError("connection refused");
        sent.emplace_back();
        return std::make_unique<ScriptedConnection>(*this, sent.size() - 1);
    };
}
