// Four clients in one process, as four pads of one platform thread would
// use them, make a thousand mixed requests against the reference pad server.
// Each client keeps a model of what it stored and checks every outcome
// against it; at the end each reads its whole share of the server back and
// deletes it. Afterwards the kernel heap, the open descriptors and the
// temporary directory are as they were before the clients came.
// run-load.sh starts the server and passes its address in
// BAZARO_TEST_PAD_SERVER (HOST:PORT, or https://HOST:PORT with the CA file
// in BAZARO_TEST_CA_FILE).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "OpenDescriptors.h"
#include "ScratchDirectory.h"
#include "TempDirectoryOverride.h"
#include "bazaro/BazaroComm.h"
#include "mkres/MwMemory.h"
#include "mkres/MwRunLoop.h"

namespace {

constexpr int kClients = 4;
constexpr int kRequestsPerClient = 250;
constexpr int kDeadlineSeconds = 150;

char* Writable(const std::string& text) { return const_cast<char*>(text.c_str()); }

// The same bytes for the same seed; sizes up to about 30 KB.
std::string FileContent(unsigned seed) {
  std::string content(1000 + seed * 37 % 30000, '\0');
  unsigned state = seed * 2654435761u + 1;
  for (char& byte : content) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 23);
  }
  return content;
}

// What the client expects of one pad on the server.
struct StoredPad {
  int x, y, width, height;
  std::string file;  // the pad file's bytes
};

class LoadClient : public BazaroCommBase {
 public:
  LoadClient(int number, const std::string& address, const std::string& scratch)
      : number_(number), scratch_(scratch) {
    comm_->SetHost(address.c_str());
    comm_->SetPad(this);
  }
  ~LoadClient() override { delete comm_; }

  void Start() { Issue(); }
  bool Finished() const { return finished_; }
  int Reported() const { return reported_; }
  const std::vector<std::string>& Problems() const { return problems_; }

  void TaskEnd(int type) override {
    ++reported_;
    reason_ = comm_->QueryResultReasonText();
    if (type != current_.type) Problem("reported type " + std::to_string(type));
    current_.check();
    Issue();
  }

 private:
  struct Step {
    int type;
    std::function<char()> request;
    std::function<void()> check;  // runs inside TaskEnd
  };

  void Problem(const std::string& what) {
    problems_.push_back("client " + std::to_string(number_) + " step " + std::to_string(reported_) +
                        ": " + what + (reason_.empty() ? "" : " (" + reason_ + ")"));
  }

  void Issue() {
    if (steps_.empty()) {
      if (planned_ < kRequestsPerClient) {
        PlanNext();
      } else if (!verifying_) {
        verifying_ = true;
        PlanVerification();
      }
    }
    if (steps_.empty()) {
      finished_ = true;
      return;
    }
    current_ = steps_.front();
    steps_.pop_front();
    if (current_.request() != 1) {
      Problem("request refused");
      finished_ = true;
    }
  }

  void Add(int type, std::function<char()> request, std::function<void()> check) {
    steps_.push_back(Step{type, std::move(request), std::move(check)});
  }

  // A pad of its own look for each store, and the bytes it saves as.
  std::shared_ptr<MkSimplePad> NewPad(int seed, StoredPad& stored) {
    std::shared_ptr<MkSimplePad> pad(new MkSimplePad("LoadNote"));
    stored.width = 40 + seed % 200;
    stored.height = 30 + number_;
    pad->get_view()->SetBounds(0, 0, static_cast<unsigned>(stored.width),
                               static_cast<unsigned>(stored.height));
    std::string title = "client " + std::to_string(number_) + " pad " + std::to_string(seed);
    pad->GetAttributes()->atPut(Writable("title"), Writable(title));
    std::string file = scratch_ + "/expected.pad";
    pad->save(Writable(file), 0, MK_SAVE_NORMAL);
    stored.file = ReadWholeFile(file);
    return pad;
  }

  // The pad `step` works on: one of the live ones, chosen by the step.
  unsigned long Pick(int step) const {
    auto it = pads_.begin();
    std::advance(it, static_cast<long>((static_cast<std::size_t>(step) * 7) % pads_.size()));
    return it->first;
  }

  void ExpectFile(const std::string& what, const std::string& content) {
    char* file = comm_->QueryResultFile();
    if (file == nullptr || ReadWholeFile(file) != content) Problem(what + " differs");
  }

  void ExpectTrue(const std::string& what) {
    if (comm_->QueryResultBool() != 1) Problem(what + " failed");
  }

  static std::string Entry(unsigned long id, int x, int y, int width, int height) {
    return std::to_string(id) + ":" + std::to_string(x) + "," + std::to_string(y) + "," +
           std::to_string(width) + "," + std::to_string(height) + " ";
  }

  void ExpectList() {
    std::string expected;
    for (const auto& [id, p] : pads_) expected += Entry(id, p.x, p.y, p.width, p.height);
    std::string listed = "none";
    if (BoothInfo* booth = comm_->QueryResultBooth()) {
      listed.clear();
      for (BoothInfo* e = booth; e->id != 0; ++e)
        listed += Entry(e->id, e->x, e->y, e->width, e->height);
    }
    if (listed != expected) Problem("listed " + listed + " for " + expected);
  }

  // A store of a new pad below the board, or of the board itself.
  void PlanUpload(int step, unsigned long parent) {
    StoredPad stored{step % 500, step * 3 % 400, 0, 0, ""};
    auto pad = NewPad(step, stored);
    Add(
        kRequestUpload, [=] { return comm_->RequestUpload(parent, pad.get(), stored.x, stored.y); },
        [=] {
          unsigned long id = comm_->QueryResultID();
          if (id == 0) return Problem("upload failed");
          if (parent == 0) {
            board_ = id;
          } else {
            pads_[id] = stored;
          }
        });
  }

  // Request `planned_` of the mixed thousand.
  void PlanNext() {
    const int step = planned_++;
    if (step == 0) return PlanUpload(step, 0);
    int kind = step % 10;
    if (pads_.empty() && (kind == 4 || kind == 5 || kind == 6 || kind == 0)) kind = 1;
    if (files_.empty() && kind == 9) kind = 8;
    switch (kind) {
      case 1:
        return PlanUpload(step, board_);
      case 2:
        return Add(
            kRequestNewID, [=] { return comm_->RequestNewID(); },
            [=] {
              newId_ = comm_->QueryResultID();
              if (newId_ == 0) Problem("no new identifier");
            });
      case 3: {
        StoredPad stored{-step, step, 0, 0, ""};
        auto pad = NewPad(step, stored);
        return Add(
            kRequestRegist, [=] { return comm_->RequestRegist(newId_, pad.get(), stored.x, 0); },
            [=] {
              ExpectTrue("registration");
              registered_[newId_] = stored;
            });
      }
      case 4: {
        unsigned long id = Pick(step);
        return Add(
            kRequestDownload, [=] { return comm_->RequestDownload(id); },
            [=] { ExpectFile("download of " + std::to_string(id), pads_[id].file); });
      }
      case 5: {
        unsigned long id = Pick(step);
        StoredPad stored{step % 300, -(step % 50), 0, 0, ""};
        auto pad = NewPad(step, stored);
        return Add(
            kRequestUpdate, [=] { return comm_->RequestUpdate(id, pad.get(), stored.x, stored.y); },
            [=] {
              ExpectTrue("update");
              pads_[id] = stored;
            });
      }
      case 6: {
        unsigned long id = Pick(step);
        int x = step, y = step / 2;
        return Add(
            kRequestMove, [=] { return comm_->RequestMove(id, x, y); },
            [=] {
              ExpectTrue("move");
              pads_[id].x = x;
              pads_[id].y = y;
            });
      }
      case 7:
        return Add(
            kRequestGetList, [=] { return comm_->RequestGetList(board_, 0, 0, 0, 0); },
            [=] { ExpectList(); });
      case 8: {
        std::string name = "load-" + std::to_string(number_) + "-" + std::to_string(step) + ".bin";
        std::string content = FileContent(static_cast<unsigned>(number_ * 1000 + step));
        std::string local = scratch_ + "/" + name;
        WriteWholeFile(local, content);
        return Add(
            kRequestPutFile, [=] { return comm_->RequestPutFile(Writable(local), Writable(name)); },
            [=] {
              ExpectTrue("put file");
              files_[name] = content;
            });
      }
      case 9: {
        auto it = files_.begin();
        std::advance(it, static_cast<long>(static_cast<std::size_t>(step) % files_.size()));
        std::string name = it->first;
        return Add(
            kRequestGetFile, [=] { return comm_->RequestGetFile(Writable(name)); },
            [=] { ExpectFile("file " + name, files_[name]); });
      }
      default: {
        unsigned long id = Pick(step);
        return Add(
            kRequestDelete, [=] { return comm_->RequestDelete(id); },
            [=] {
              ExpectTrue("delete");
              pads_.erase(id);
            });
      }
    }
  }

  // Everything the client stored, read back; then its pads deleted, the
  // board with its whole subtree, which the list then no longer finds.
  void PlanVerification() {
    Add(
        kRequestGetList, [=] { return comm_->RequestGetList(board_, 0, 0, 0, 0); },
        [=] { ExpectList(); });
    for (const auto& [id, pad] : pads_) {
      Add(
          kRequestDownload, [=, id = id] { return comm_->RequestDownload(id); },
          [=, id = id, file = pad.file] { ExpectFile("pad " + std::to_string(id), file); });
    }
    for (const auto& [id, pad] : registered_) {
      Add(
          kRequestDownload, [=, id = id] { return comm_->RequestDownload(id); },
          [=, id = id, file = pad.file] { ExpectFile("registered " + std::to_string(id), file); });
      Add(
          kRequestDelete, [=, id = id] { return comm_->RequestDelete(id); },
          [=] { ExpectTrue("delete"); });
    }
    for (const auto& [name, content] : files_) {
      Add(
          kRequestGetFile, [=, name = name] { return comm_->RequestGetFile(Writable(name)); },
          [=, name = name, content = content] { ExpectFile("file " + name, content); });
    }
    Add(
        kRequestDelete, [=] { return comm_->RequestDelete(board_); },
        [=] { ExpectTrue("delete of the board"); });
    Add(
        kRequestGetList, [=] { return comm_->RequestGetList(board_, 0, 0, 0, 0); },
        [=] {
          if (comm_->QueryResultBooth() != nullptr) Problem("the deleted board still lists");
        });
  }

  int number_;
  std::string scratch_;
  BazaroComm* comm_ = new BazaroComm;
  std::deque<Step> steps_;
  Step current_;
  int planned_ = 0;
  int reported_ = 0;
  bool verifying_ = false;
  bool finished_ = false;
  unsigned long board_ = 0;
  unsigned long newId_ = 0;
  std::map<unsigned long, StoredPad> pads_;        // below the board
  std::map<unsigned long, StoredPad> registered_;  // registered at the top
  std::map<std::string, std::string> files_;
  std::vector<std::string> problems_;
  std::string reason_;  // why the task being reported failed, if it did
};

TEST(LoadTest, FourClientsShareAThousandRequestsAndGiveEverythingBack) {
  const char* server = std::getenv("BAZARO_TEST_PAD_SERVER");
  ASSERT_NE(server, nullptr) << "run by run-load.sh, which starts the server";
  const std::string address = std::string(server) + "/cgi-bin/";
  // Over HTTPS, the server's private authority.
  const char* caFile = std::getenv("BAZARO_TEST_CA_FILE");
  if (caFile != nullptr && *caFile != '\0') {
    ASSERT_EQ(BazaroComm::SetTrustFile(caFile), 1);
  }
  // The name is the program's until it names none again.
  std::unique_ptr<const char, void (*)(const char*)> forget(
      caFile, [](const char*) { BazaroComm::SetTrustFile(nullptr); });

  ScratchDirectory temp;
  TempDirectoryOverride tempOverride(temp.Path());
  ASSERT_TRUE(tempOverride.InEffect());
  ScratchDirectory files;
  const long blocks = MwLiveBlockCount();
  const int descriptors = OpenDescriptorCount();

  std::vector<std::unique_ptr<LoadClient>> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back(new LoadClient(c, address, files.Path()));
  }
  auto started = std::chrono::steady_clock::now();
  for (auto& client : clients) client->Start();
  auto allFinished = [&] {
    for (auto& client : clients) {
      if (!client->Finished()) return false;
    }
    return true;
  };
  for (int i = 0; i < kDeadlineSeconds * 100 && !allFinished(); ++i) MwRunLoop(10);
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  int reported = 0;
  for (auto& client : clients) {
    reported += client->Reported();
    for (const std::string& problem : client->Problems()) ADD_FAILURE() << problem;
  }
  EXPECT_TRUE(allFinished()) << "not done within " << kDeadlineSeconds << " s";
  EXPECT_GE(reported, kClients * kRequestsPerClient);
  std::printf("%d requests reported in %.1f s\n", reported, seconds);

  clients.clear();
  // The last workers may still be closing their connections.
  bool returned = false;
  for (int i = 0; i < 500 && !returned; ++i) {
    returned = MwLiveBlockCount() == blocks && OpenDescriptorCount() == descriptors;
    if (!returned) MwRunLoop(10);
  }
  EXPECT_EQ(MwLiveBlockCount(), blocks) << "kernel heap blocks still live";
  EXPECT_EQ(OpenDescriptorCount(), descriptors) << "descriptors still open";
  EXPECT_EQ(ListDirectory(temp.Path(), ".tmp"), "");
}

}  // namespace
