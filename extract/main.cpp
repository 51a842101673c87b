// The extraction child the program starts for each document it indexes.
#include "search/extractchild.h"

int main(int argc, char** argv)
{
    return ExtractChildMain(argc, argv);
}
