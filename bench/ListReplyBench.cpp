// Times PadServer::GetChildPads on long lists: a loopback responder answers
// the command with a list of N records (about 11 bytes each, as the pad
// server writes them), and the client reads it into its dictionary.
//
//   list_reply_bench [RECORDS ...]      (default 25000 50000 100000)
//
// Prints "records N bytes B parse_s P exchange_s E" per size: P is the
// reader alone (ParseList on the reply text), E the whole command. Exits 1
// when a list comes back with another count of records.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "kernel/KernelObjects.h"
#include "os/SocketApi.h"
#include "os/SocketWait.h"
#include "transport/PadServer.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string ListText(unsigned long records) {
  std::string text;
  for (unsigned long id = 1; id <= records; ++id) {
    if (id > 1) text += " ,";
    text += "id=" + std::to_string(id) + " x=1";
  }
  return text;
}

// Answers one connection on `listener` with `response` once the command's
// terminator byte has arrived; gives up after ten seconds without a client.
void AnswerOnce(SOCKET listener, const std::string& response) {
  if (os::WaitForSocket(listener, os::kSocketReadable, 10000) != 1) return;
  SOCKET client = accept(listener, nullptr, nullptr);
  if (client == INVALID_SOCKET) return;
  char buffer[4096];
  for (int count; (count = recv(client, buffer, sizeof buffer, 0)) > 0;) {
    if (std::memchr(buffer, PadServer::kTerminator, static_cast<std::size_t>(count))) break;
  }
  for (std::size_t sent = 0; sent < response.size();) {
    int count = send(client, response.data() + sent, static_cast<int>(response.size() - sent), 0);
    if (count <= 0) break;
    sent += static_cast<std::size_t>(count);
  }
  closesocket(client);
}

SOCKET Listen(unsigned short& port) {
  SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address;
  std::memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(0x7F000001);
  os::SocketLength length = sizeof address;
  if (listener == INVALID_SOCKET ||
      bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return INVALID_SOCKET;
  }
  port = ntohs(address.sin_port);
  return listener;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<unsigned long> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::strtoul(argv[i], nullptr, 10));
  if (sizes.empty()) sizes = {25000, 50000, 100000};
  WSADATA startup;
  if (WSAStartup(0x0101, &startup) != 0) return 1;
  unsigned short port = 0;
  SOCKET listener = Listen(port);
  if (listener == INVALID_SOCKET) return 1;

  int status = 0;
  for (unsigned long records : sizes) {
    std::string text = ListText(records);
    PadServer pad;
    pad.SetServer("127.0.0.1", port, "/cgi-bin/");

    std::string copy = text;
    auto start = Clock::now();
    MkDictionary* parsed = pad.ParseList(&copy[0]);
    double parseSeconds = SecondsSince(start);
    bool parsedAll = parsed->length() == records;
    delete parsed;

    std::thread responder(AnswerOnce, listener,
                          "HTTP/1.0 200 OK\r\n\r\n" + std::string(PadServer::kReplyMarker) + text);
    MkDictionary* list = nullptr;
    start = Clock::now();
    int result = pad.GetChildPads(7, list);
    double exchangeSeconds = SecondsSince(start);
    responder.join();
    bool listedAll = result == 0 && list != nullptr && list->length() == records;
    delete list;

    std::printf("records %lu bytes %zu parse_s %.3f exchange_s %.3f\n", records, text.size(),
                parseSeconds, exchangeSeconds);
    if (!parsedAll || !listedAll) {
      std::fprintf(stderr, "the list of %lu records came back incomplete\n", records);
      status = 1;
    }
  }
  closesocket(listener);
  WSACleanup();
  return status;
}
