#include "shell/DesktopLauncher.h"

int main(int argc, char** argv)
{
    return orvela::shell::DesktopLauncher::run(argc, argv);
}
