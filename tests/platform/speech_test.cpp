// Text read aloud: espeak-ng's Japanese voice gives sound for a game's line, and the desktop's speech
// service, when one answers, is the voice chosen and is handed the text in Japanese. No sound card is
// needed: espeak-ng's samples are taken in memory, and the service is a private one that writes what it
// is given to a file.
#include "platform/speech.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace tavrik {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The first text the demo shows (examples/demo/start.tvk, where it is Shift-JIS).
constexpr const char* kDemoFirstLine = "今夜は星がよく見えるね。";

bool within(std::chrono::milliseconds limit, const std::function<bool()>& done) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

TEST(Speech, EspeakSaysTheDemosFirstLineAloud) {
  if (!::dlopen("libespeak-ng.so.1", RTLD_LAZY | RTLD_LOCAL))
    GTEST_SKIP() << "libespeak-ng is not installed: " << ::dlerror();
  std::string why;
  const std::optional<SpeechSound> sound = synthesize(kDemoFirstLine, "ja", &why);
  ASSERT_TRUE(sound) << why;
  ASSERT_GT(sound->sampleRate, 0);
  // A dozen characters take well over half a second to say, and are heard: the loudest sample is within
  // 20 dB of full scale.
  EXPECT_GT(sound->samples.size(), static_cast<std::size_t>(sound->sampleRate / 2));
  int peak = 0;
  for (std::int16_t sample : sound->samples) peak = std::max(peak, std::abs(static_cast<int>(sample)));
  EXPECT_GT(peak, 3277);
}

// The program's path on PATH, or nothing.
std::optional<fs::path> onPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string list = path ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= list.size();) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    const fs::path candidate = fs::path(list.substr(start, end - start)) / program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

// A speech-dispatcher of the test's own: its runtime folder, socket, configuration and log in a
// temporary folder, and as its only output module the generic one, running a command that appends the
// language and text it is given to a file instead of sounding them (then "end", 0.3 s later, unless it
// is cut short). Its sound output is libao's, which opens no device until something plays: with its
// ALSA output the daemon refuses to start on a machine without a sound card. It runs in a process
// group of its own, ended with the test (and ends itself 30 s after its last client left, should the
// test not get that far).
class PrivateDispatcher {
 public:
  PrivateDispatcher(const fs::path& daemon, const fs::path& root)
      : root_(root), socket_(root / "run/speechd.sock"), spoken_(root / "spoken.txt") {
    for (const char* folder : {"run", "home", "log", "conf/modules"}) fs::create_directories(root / folder);
    writeFile(root / "conf/speechd.conf",
              "AudioOutputMethod \"libao\"\n"
              "AddModule \"record\" \"sd_generic\" \"record.conf\"\n"
              "DefaultModule record\n");
    writeFile(root / "conf/modules/record.conf",
              "GenericExecuteSynth \"printf '%s %s\\\\n' $LANGUAGE \\'$DATA\\' >> " + spoken_.string() +
                  "; sleep 0.3; echo end >> " + spoken_.string() +
                  "\"\n"
                  "GenericLanguage \"ja\" \"ja\" \"utf-8\"\n"
                  "GenericLanguage \"en\" \"en\" \"utf-8\"\n"
                  "AddVoice \"ja\" \"FEMALE1\" \"ja\"\n"
                  "AddVoice \"en\" \"MALE1\" \"en\"\n");
    const std::vector<std::string> arguments = {daemon.string(),
                                                "--run-single",
                                                "--timeout",
                                                "30",
                                                "--config-dir",
                                                (root / "conf").string(),
                                                "--log-dir",
                                                (root / "log").string(),
                                                "--communication-method",
                                                "unix_socket",
                                                "--socket-path",
                                                socket_.string(),
                                                "--pid-file",
                                                (root / "run/speechd.pid").string()};
    const char* path = std::getenv("PATH");
    const std::vector<std::string> environment = {"PATH=" + std::string(path ? path : "/usr/bin:/bin"),
                                                  "HOME=" + (root / "home").string(),
                                                  "XDG_RUNTIME_DIR=" + (root / "run").string(),
                                                  "XDG_CONFIG_HOME=" + (root / "home/.config").string(),
                                                  "XDG_DATA_HOME=" + (root / "home/.local/share").string(),
                                                  "XDG_CACHE_HOME=" + (root / "home/.cache").string(),
                                                  "TMPDIR=" + root.string()};
    std::vector<char*> argv, envp;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    // What it prints goes to a file beside its log.
    const std::string output = (root / "log/output.txt").string();
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    if (posix_spawn(&pid_, argv[0], &files, &attributes, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
  }

  ~PrivateDispatcher() {
    if (pid_ <= 0) return;
    ::kill(-pid_, SIGTERM);
    if (!within(3s, [&] { return ::waitpid(pid_, nullptr, WNOHANG) == pid_; })) {
      ::kill(-pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  // The daemon listens (within 10 s).
  bool listening() const {
    return pid_ > 0 && within(10s, [&] { return fs::exists(socket_); });
  }
  const fs::path& socket() const { return socket_; }
  std::string spoken() const { return test::readBytes(spoken_); }
  std::string log() const {
    return test::readBytes(root_ / "log/output.txt") + test::readBytes(root_ / "log/speech-dispatcher.log");
  }

 private:
  static void writeFile(const fs::path& file, const std::string& text) {
    std::FILE* out = std::fopen(file.c_str(), "w");
    if (!out) return;
    std::fputs(text.c_str(), out);
    std::fclose(out);
  }

  fs::path root_;
  fs::path socket_;
  fs::path spoken_;
  pid_t pid_ = -1;
};

// An environment variable set for the test's time.
class SetEnvironment {
 public:
  SetEnvironment(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~SetEnvironment() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(Speech, TheDesktopServiceIsChosenAndGivenTheTextInJapaneseInTurn) {
  const std::optional<fs::path> daemon = onPath("speech-dispatcher");
  if (!daemon) GTEST_SKIP() << "speech-dispatcher is not installed";
  if (!::dlopen("libspeechd.so.2", RTLD_LAZY | RTLD_LOCAL))
    GTEST_SKIP() << "libspeechd is not installed: " << ::dlerror();
  test::TempDir dir;
  PrivateDispatcher dispatcher(*daemon, dir.path());
  ASSERT_TRUE(dispatcher.listening()) << dispatcher.log();
  const SetEnvironment address("SPEECHD_ADDRESS", "unix_socket:" + dispatcher.socket().string());

  std::string why;
  std::unique_ptr<Speech> speech = openSpeech(&why);
  ASSERT_TRUE(speech) << why;
  // Said at once, most likely while the voice is still opening: it waits for it.
  speech->say({kDemoFirstLine, "ja"});
  const std::string first = std::string("ja ") + kDemoFirstLine + "\nend\n";
  EXPECT_TRUE(within(10s, [&] { return dispatcher.spoken() == first; }))
      << dispatcher.spoken() << dispatcher.log();
  EXPECT_EQ(speech->name(), "speech-dispatcher");
  // The service tells the end of the message: nothing is being said any more.
  EXPECT_TRUE(within(10s, [&] { return !speech->speaking(); }));

  // An utterance that does not interrupt, coming while another is said, is said after it rather than
  // cutting it short (which the service does with a message that comes while another is spoken).
  speech->say({"一つ", "ja"});
  EXPECT_TRUE(within(10s, [&] { return dispatcher.spoken().find("ja 一つ\n") != std::string::npos; }));
  speech->say({"二つ", "ja", false});
  EXPECT_TRUE(within(10s, [&] { return !speech->speaking(); }));
  EXPECT_EQ(dispatcher.spoken(), first + "ja 一つ\nend\nja 二つ\nend\n");
}

TEST(Speech, AServiceThatNeverAnswersIsLeftForTheVoiceInTheProcess) {
  test::TempDir dir;
  // A socket that takes the connection and never says a word: libspeechd waits on it for good.
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = (dir.path() / "silent.sock").string();
  ASSERT_LT(path.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, path.c_str());
  ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  const SetEnvironment silent("SPEECHD_ADDRESS", "unix_socket:" + path);
  std::string why;
  std::unique_ptr<Speech> speech = openSpeech(&why, std::chrono::milliseconds(300));
  ASSERT_TRUE(speech) << why;
  speech->say({kDemoFirstLine, "ja"});
  // The voice in the process (or none, where espeak-ng cannot be had): never a voice left opening.
  EXPECT_TRUE(within(5s, [&] { return speech->name() != "opening"; }));
  EXPECT_NE(speech->name(), "speech-dispatcher");
  speech.reset();
  // The socket stays open for the rest of the process, and the attempt left behind waits on it: a
  // service gone in the middle of its greeting makes libspeechd itself read a reply that never came.
}

}  // namespace
}  // namespace tavrik
