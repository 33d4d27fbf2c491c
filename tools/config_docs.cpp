// Prints the generated key section of examples/README.md:
//   build/config_docs --readme > section.md
// or rewrites the file in place: build/config_docs --update examples/README.md
#include <stdio.h>
#include <string.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/config_docs.h"

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "--readme") == 0) {
    fputs(configDocsReadmeSection().c_str(), stdout);
    return 0;
  }
  if (argc == 3 && strcmp(argv[1], "--update") == 0) {
    std::ifstream in(argv[2]);
    std::stringstream text;
    text << in.rdbuf();
    std::string all = text.str();
    size_t at = all.find("## Keys\n");
    if (!in || at == std::string::npos) {
      fprintf(stderr, "%s: no \"## Keys\" section\n", argv[2]);
      return 1;
    }
    std::ofstream out(argv[2], std::ios::trunc);
    out << all.substr(0, at) << configDocsReadmeSection();
    return out ? 0 : 1;
  }
  fprintf(stderr, "usage: %s --readme | --update README.md\n", argv[0]);
  return 2;
}
