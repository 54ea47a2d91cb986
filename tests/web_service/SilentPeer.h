// A peer that takes every connection and then neither answers nor hangs up while it lives, as a
// server stuck after its accept does. Its connections close with it, so nothing of it outlasts a case.
#pragma once

#include "UniqueResource.h"

#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace WebServiceTest {

namespace detail {
struct SocketTraits {
    using type = SOCKET;
    static type invalid() noexcept { return INVALID_SOCKET; }
    static void close(type value) noexcept { ::closesocket(value); }
};
} // namespace detail

using unique_socket = TalvernCommon::unique_any<detail::SocketTraits>;

class SilentPeer {
public:
    SilentPeer()
    {
        WSADATA data;
        if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
            throw std::runtime_error("WSAStartup failed");
        listener_.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        if (!listener_ || ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(listener_.get(), SOMAXCONN) != 0 ||
            ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("the silent peer cannot listen");
        port_ = ::ntohs(address.sin_port);
        acceptor_ = std::thread([this] { AcceptUntilStopped(); });
    }
    ~SilentPeer()
    {
        stop_ = true;
        acceptor_.join();
        connections_.clear();
        listener_.reset();
        ::WSACleanup();
    }
    SilentPeer(const SilentPeer&) = delete;
    SilentPeer& operator=(const SilentPeer&) = delete;

    std::wstring Url() const { return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/silent"; }
    // Taken and still held open.
    size_t Connections() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return connections_.size();
    }

private:
    // Polls, so that the destructor's stop is seen without closing a socket under a blocked accept.
    void AcceptUntilStopped()
    {
        while (!stop_) {
            fd_set pending;
            FD_ZERO(&pending);
            FD_SET(listener_.get(), &pending);
            timeval slice{0, 20 * 1000};
            if (::select(0, &pending, nullptr, nullptr, &slice) != 1)
                continue;
            unique_socket connection(::accept(listener_.get(), nullptr, nullptr));
            const std::lock_guard<std::mutex> lock(mutex_);
            if (connection)
                connections_.push_back(std::move(connection));
        }
    }

    unique_socket listener_;
    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<unique_socket> connections_;
    std::thread acceptor_;
};

} // namespace WebServiceTest
