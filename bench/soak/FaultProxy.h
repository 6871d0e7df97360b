#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

// A proxy on 127.0.0.1 in front of the site that breaks connections at
// random, the way a real network and a real server do: one client connection
// to one site connection, requests passed on as they are, each response read
// whole from the site and then handed on whole or broken. Every break is
// recorded, so whoever drives the lookups can tell an expected failure from
// a fault of the client.
class FaultProxy
{
public:
    enum class Fault
    {
        IdleClose,      // closed after a whole response, before the next request
        CloseOnRequest, // closed as the next request arrived, not answering it
        Reset,          // part of a response, then a reset (RST)
        Stall,          // part of a response, then nothing until the client gives up
    };
    static const char *name(Fault fault);

    // The chance of each break per response.
    struct Rates
    {
        double idleClose = 0.10; // half of these close at once, half on the next request
        double reset = 0.02;
        double stall = 0.01;
    };

    FaultProxy(std::uint16_t sitePort, Rates rates, std::uint32_t seed);
    ~FaultProxy();
    FaultProxy(const FaultProxy &) = delete;
    FaultProxy &operator=(const FaultProxy &) = delete;

    std::uint16_t port() const { return port_; }
    // Off: every response is handed on whole (the run's warm-up).
    void setBreaking(bool breaking) { breaking_ = breaking; }

    // The breaks made since the last call, in order.
    std::vector<Fault> takeFaults();
    // The body of the last response handed on whole (set before its first
    // byte goes out, so a client that has read it finds it here).
    std::string lastBody();
    // Breaks of each kind over the run, and client connections accepted.
    std::map<Fault, long> totals();
    long connections() const { return connections_; }

private:
    struct Worker
    {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void acceptLoop();
    void serve(int client);
    void record(Fault fault);
    double chance();
    std::size_t cutPoint(std::size_t from, std::size_t to);
    // Waits for the client to close its side (or the proxy to stop).
    void waitForClose(int client);

    Rates rates_;
    int listener_ = -1;
    int wake_[2] = {-1, -1}; // a pipe whose write end wakes every poll at the stop
    std::uint16_t port_ = 0;
    std::uint16_t sitePort_ = 0;
    std::atomic<bool> stopping_ = false;
    std::atomic<bool> breaking_ = true;
    std::atomic<long> connections_ = 0;

    std::mutex mutex_; // guards what follows
    std::mt19937 random_;
    std::vector<Fault> faults_;
    std::map<Fault, long> totals_;
    std::string lastBody_;

    std::vector<Worker> workers_; // the accept thread's alone
    std::thread acceptor_;
};
