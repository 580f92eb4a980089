#include "desktop/DesktopLauncher.h"

int main(int argc, char** argv)
{
    return orvela::desktop::DesktopLauncher::run(argc, argv);
}
