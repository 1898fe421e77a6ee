// What the bench programs set up alike: their command line, the installation
// folder of the water-control software, and a desk with the simulated reader
// linked as com3 in a private port table.
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "bench/SimChild.h"
#include "harness/PortTable.h"
#include "harness/TempFolder.h"

namespace bench {

// The arguments of a bench program: the given `--name value` options, and the
// other words in order.
class CommandLine {
public:
    CommandLine(int argc, char** argv, std::initializer_list<std::string> options);
    const std::vector<std::string>& Words() const { return words_; }
    // The option's value as a number, `fallback` when it was not given.
    double Number(const std::string& option, double fallback) const;

private:
    std::vector<std::string> words_;
    std::map<std::string, std::string> values_;
};

// A fresh folder holding the two files of the installation, so the window opens
// without its placement message; the working directory while the object lives.
class InstallFolder {
public:
    explicit InstallFolder(const std::string& stem);
    const std::string& Path() const { return folder_.Path(); }

private:
    harness::TempFolder folder_;
};

// For the window benches: com1..com15 lead nowhere but com3, where the simulated
// reader (a process of its own, made before any thread starts) is linked; the
// working directory is an installation folder; Qt draws off screen unless told
// otherwise.
class ReaderDesk {
public:
    ReaderDesk(const std::string& stem, int freshCards = 0);
    SimChild& Reader() { return reader_; }
    harness::PortTable& Ports() { return ports_; }

private:
    static SimChild::Options ReaderOptions(harness::PortTable& ports, int freshCards);

    harness::PortTable ports_;
    SimChild reader_;
    InstallFolder install_;
};

}  // namespace bench
