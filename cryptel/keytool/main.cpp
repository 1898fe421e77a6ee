#include <iostream>
#include <string>
#include <vector>

#include "cryptel/keytool/Keytool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return cryptel::RunKeytool(args, std::cout, std::cerr);
}
