// The Linux settings store and named mutexes against the real file system.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "linux_paths.h"
#include "mutex_port.h"
#include "registry_port.h"
#include "settings.h"

namespace fs = std::filesystem;

namespace {

class LinuxStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/bumblepad-store-XXXXXX";
        root_ = mkdtemp(pattern);
        setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", root_.c_str(), 1);
        key_ = root_ + "/Software/Bumblepad";
        options = defaultOptions;
    }
    void TearDown() override { fs::remove_all(root_); }
    std::vector<char> Stored() {
        std::ifstream in(key_ + "/Options", std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(in), {});
    }
    std::string root_, key_;
};

TEST_F(LinuxStoreTest, KeyIsAFolderUnderTheConfigHome) {
    EXPECT_EQ(SettingsKeyFolder("Software\\Bumblepad"), key_);
    EXPECT_EQ(OpenMachineKey("Software\\Bumblepad", KeyAccess::Query), nullptr);  // not created by the controller
    fs::create_directories(key_);
    RegistryKey key = OpenMachineKey("Software\\Bumblepad", KeyAccess::Both);
    ASSERT_NE(key, nullptr);
    CloseKey(key);
}

TEST_F(LinuxStoreTest, SaveAndLoadRoundTripSixtyBytes) {
    fs::create_directories(key_);
    options.autoLockMs = 300000;
    std::strcpy(options.unlockWord, "mum");
    SaveOptions();
    auto stored = Stored();
    ASSERT_EQ(stored.size(), 60u);
    EXPECT_EQ(static_cast<uint8_t>(stored[32]), 0xE0);
    options = defaultOptions;
    ASSERT_TRUE(LoadOptions());
    EXPECT_STREQ(options.unlockWord, "mum");
    EXPECT_EQ(options.autoLockMs, 300000u);
}

TEST_F(LinuxStoreTest, LongerValueIsRefusedShorterFillsTheFront) {
    fs::create_directories(key_);
    uint8_t buffer[60] = {};
    std::ofstream(key_ + "/Options", std::ios::binary) << std::string(61, 'z');
    uint32_t size = 60;
    RegistryKey key = OpenMachineKey("Software\\Bumblepad", KeyAccess::Query);
    EXPECT_FALSE(QueryBinaryValue(key, "Options", buffer, size));
    std::ofstream(key_ + "/Options", std::ios::binary | std::ios::trunc) << "z1";
    size = 60;
    EXPECT_TRUE(QueryBinaryValue(key, "Options", buffer, size));
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(buffer[1], '1');
    CloseKey(key);
}

TEST_F(LinuxStoreTest, AFailingWriteLeavesTheOldBlockWhole) {
    fs::create_directories(key_);
    options.autoLockMs = 60000;
    SaveOptions();
    auto before = Stored();
    // A child process whose file size limit stops the write half-way, as a
    // full disk would.
    pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{30, 30};
        setrlimit(RLIMIT_FSIZE, &limit);
        RegistryKey key = OpenMachineKey("Software\\Bumblepad", KeyAccess::SetValue);
        OptionsBlock other = defaultOptions;
        other.autoLockMs = 120000;
        _exit(SetBinaryValue(key, "Options", &other, 60) ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save should have failed";
    EXPECT_EQ(Stored(), before);
    int files = 0;
    for (auto& entry : fs::directory_iterator(key_)) (void)entry, ++files;
    EXPECT_EQ(files, 1) << "no temporary file is left behind";
}

TEST_F(LinuxStoreTest, NamedMutexIsHeldUntilItsProcessEnds) {
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t child = fork();
    if (child == 0) {
        bool existed = CreateNamedMutex("TestMutex");
        char c = existed ? 'e' : 'n';
        (void)!write(ready[1], &c, 1);
        (void)!read(release[0], &c, 1);
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 'n');
    EXPECT_TRUE(CreateNamedMutex("TestMutex")) << "another process holds it";
    MutexHandle handle = OpenNamedMutex("TestMutex");
    EXPECT_NE(handle, nullptr);
    CloseMutex(handle);
    EXPECT_EQ(OpenNamedMutex("NoSuchMutex"), nullptr);
    kill(child, SIGKILL);  // a crashed holder frees it
    waitpid(child, nullptr, 0);
    EXPECT_EQ(OpenNamedMutex("TestMutex"), nullptr);
}

TEST(LinuxPaths, WindowsProgramNamesMapToLinuxFiles) {
    EXPECT_EQ(LinuxFileName(".\\Trovebox.exe"), "./Trovebox");
    std::string self = ProgramPathFor("Bumblepad.exe");
    EXPECT_EQ(self.substr(self.rfind('/')), "/Bumblepad");
    EXPECT_EQ(self[0], '/');

    // The media manager: the working folder's own, else the one beside this
    // program (the tests are built beside the programs).
    std::string folder = self.substr(0, self.rfind('/'));
    ASSERT_EQ(access((folder + "/Trovebox").c_str(), X_OK), 0) << "Trovebox is built beside the tests";
    char pattern[] = "/tmp/bumblepad-cwd-XXXXXX";
    std::string work = mkdtemp(pattern);
    fs::path before = fs::current_path();
    fs::current_path(work);
    EXPECT_EQ(ProgramPathFor(".\\Trovebox.exe"), folder + "/Trovebox") << "none in the working folder";
    std::ofstream(work + "/Trovebox") << "#!/bin/sh\n";
    EXPECT_EQ(ProgramPathFor(".\\Trovebox.exe"), folder + "/Trovebox") << "not a program: not taken";
    fs::permissions(work + "/Trovebox", fs::perms::owner_all);
    EXPECT_EQ(ProgramPathFor(".\\Trovebox.exe"), "./Trovebox") << "the working folder's own";
    fs::current_path(before);
    fs::remove_all(work);
}

}  // namespace
