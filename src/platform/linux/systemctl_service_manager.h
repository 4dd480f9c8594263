#pragma once

#include <string>
#include <vector>

#include "service/services.h"

namespace norva {

// systemd's manager through its command-line client. The unit file is
// written by the agent itself; systemctl enables, starts, stops, disables
// and reloads. It never asks for a password: without the rights an
// operation fails as access denied.
class SystemctlServiceManager : public ServiceManager {
 public:
  struct Paths {
    std::string systemctl = "systemctl";      // a name looked up on PATH, or a path
    std::string unitDir = "/etc/systemd/system";
    std::string bootedMarker = "/run/systemd/system";  // exists while systemd runs
  };
  SystemctlServiceManager() : SystemctlServiceManager(Paths{}) {}
  explicit SystemctlServiceManager(Paths paths);

  bool available() override;
  bool connect() override;
  bool queryUnit(UnitInfo& info) override;
  bool createUnit(const std::string& program, const std::string& argument,
                  bool automaticStart) override;
  bool deleteUnit() override;
  bool sendStop() override;
  bool readActivity(UnitActivity& activity) override;
  bool sendStart() override;
  ServiceFault lastFault() const override { return fault_; }

  std::string unitPath() const;
  // The unit file's text.
  static std::string unitText(const std::string& program, const std::string& argument);

 private:
  struct Result {
    int status = -1;
    std::string out;
    std::string err;
  };
  Result run(const std::vector<std::string>& args);
  // Runs systemctl; on failure records why and returns false.
  bool control(const std::vector<std::string>& args, std::string* out = nullptr);
  void failFromErrno(int error, const std::string& what);

  Paths paths_;
  ServiceFault fault_;
};

// The XDG autostart entry NorvaAgent.desktop in the user's autostart folder.
class XdgAutostart : public AutostartStore {
 public:
  // The folder: $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
  static std::string defaultFolder();
  explicit XdgAutostart(std::string folder) : folder_(std::move(folder)) {}

  std::string readCommand() override;
  bool write(const std::string& program, const std::string& argument) override;
  bool remove() override;
  std::string entryPath() const { return folder_ + "/NorvaAgent.desktop"; }

 private:
  std::string folder_;
};

}  // namespace norva
