#include "startup.h"

int main(int argc, char *argv[])
{
    return runSonavel(argc, argv);
}
