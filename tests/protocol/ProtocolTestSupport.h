// Helpers shared by the protocol tests: building and describing attribute
// dictionaries, the bytes of requests and replies, and a temporary directory
// of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#include "FakeHttpServer.h"
#include "ScratchDirectory.h"
#include "TempDirectoryOverride.h"
#include "kernel/KernelObjects.h"
#include "kernel/KernelResources.h"
#include "os/PathSeparator.h"
#include "os/TempDirectory.h"
#include "protocol/KernelBuffer.h"
#include "transport/PadServer.h"

inline char* Text(const char* text) { return const_cast<char*>(text); }

// A dictionary deleted with its owner.
class Dictionary {
 public:
  Dictionary() : dict_(new MkDictionary()) {}
  explicit Dictionary(MkDictionary* dict) : dict_(dict) {}
  ~Dictionary() { delete dict_; }
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;

  MkDictionary* get() const { return dict_; }
  MkDictionary*& ref() { return dict_; }
  MkDictionary* operator->() const { return dict_; }

  Dictionary& Int(const char* key, int value) {
    dict_->atPut(Text(key), value);
    return *this;
  }
  Dictionary& Id(const char* key, unsigned long value) {
    dict_->atPut(Text(key), &value, kMkTypeUnsigned);
    return *this;
  }
  Dictionary& Str(const char* key, const char* value) {
    dict_->atPut(Text(key), Text(value));
    return *this;
  }
  Dictionary& Bool(const char* key, char value) {
    dict_->atPut(Text(key), value);
    return *this;
  }
  Dictionary& Real(const char* key, double value) {
    dict_->atPut(Text(key), value);
    return *this;
  }
  Dictionary& Nested(const char* key) {
    dict_->atPut(Text(key), new MkDictionary());
    return *this;
  }

 private:
  MkDictionary* dict_;
};

// "key=value:type" for every entry in order, separated by " | "; a nested
// dictionary is shown as "key={...}:1".
inline std::string Describe(MkDictionary* dict) {
  if (dict == nullptr) return "(null)";
  std::string out;
  for (unsigned int i = 0; i < dict->length(); ++i) {
    MkDictionaryValue* entry = dict->at(i);
    if (!out.empty()) out += " | ";
    out += entry->get_key();
    out += "=";
    void* value = entry->get_value();
    switch (entry->get_type()) {
      case kMkTypeDictionary:
        out += "{" + Describe(*static_cast<MkDictionary**>(value)) + "}";
        break;
      case kMkTypeBool:
        out += std::to_string(static_cast<int>(*static_cast<char*>(value)));
        break;
      case kMkTypeReal: {
        char real[64];
        std::snprintf(real, sizeof real, "%g", *static_cast<double*>(value));
        out += real;
        break;
      }
      case kMkTypeString:
        out += *static_cast<char**>(value);
        break;
      case kMkTypeInteger:
        out += std::to_string(*static_cast<int*>(value));
        break;
      case kMkTypeUnsigned:
        out += std::to_string(*static_cast<unsigned long*>(value));
        break;
    }
    out += ":" + std::to_string(entry->get_type());
  }
  return out;
}

// A text from the kernel heap, given back with the object.
struct KernelText : protocol::KernelBuffer {
  using protocol::KernelBuffer::KernelBuffer;
  std::string str() const { return get() != nullptr ? get() : "(null)"; }
};

// The request the exchange puts on the wire for a POST of `body` to `cgi`
// below the CGI path "/cgi/", with the terminator byte for a command.
inline std::string PostRequest(const std::string& cgi, const std::string& body, bool terminated) {
  std::size_t announced = body.size() + (terminated ? 1 : 0);
  return "POST /cgi/" + cgi + " HTTP/1.0\r\n" +
         "Content-type: application/x-www-form-urlencoded\r\nContent-length: " +
         std::to_string(announced) + "\r\n\n" + body + (terminated ? "\xFF" : "");
}

inline std::string CommandRequest(const std::string& command) {
  return PostRequest("pad-cgi", command, true);
}

// A pad server's answer carrying `text` behind the reply marker.
inline FakeHttpServer::Script ReplyWith(const std::string& text) {
  return FakeHttpServer::Reply("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" +
                               std::string(PadServer::kReplyMarker) + text + "\xFF");
}

// A status-200 response with Content-Length carrying `body`.
inline FakeHttpServer::Script SizedReply(const std::string& body) {
  return FakeHttpServer::Reply("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                               "\r\n\r\n" + body);
}

// A fake server and a PadServer pointed at it; the server reports no
// problems at the end of the test.
class ServerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fake_.Listening());
    pad_.SetServer("127.0.0.1", fake_.Port(), "/cgi/");
  }
  void TearDown() override {
    for (const std::string& problem : fake_.Problems()) ADD_FAILURE() << problem;
  }

  FakeHttpServer fake_;
  PadServer pad_;
};

// Points the system's temporary directory at a fresh directory for the life
// of the object, so that a test sees every temporary file made meanwhile.
class OwnTempDirectory {
 public:
  // True when the system now names the scratch directory as its temporary
  // directory; checks that rely on the listing need it.
  bool InEffect() const { return override_.InEffect(); }
  std::string Listing() const { return scratch_.Listing(); }

 private:
  ScratchDirectory scratch_;
  TempDirectoryOverride override_{scratch_.Path()};
};
