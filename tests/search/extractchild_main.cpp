// The extraction child as the program starts it, with the tests' crash and hang triggers on.
#include "search/extractchild.h"

int main(int argc, char** argv)
{
    return ExtractChildMain(argc, argv, true);
}
