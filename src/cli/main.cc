// The calldir command: parses the command line and dispatches to the command
// functions of the library. Nothing else happens here.
#include <iostream>

#include <CLI/CLI.hpp>

#include "cli/io.h"
#include "cli/list_commands.h"

int main(int argc, char** argv) {
  using namespace calldir::cli;
  CLI::App app{
      "calldir: drive, inspect and feed a caller-identification extension.\n"
      "Exit status: 0 done, 1 the answer is no (check found problems, value absent, request failed),\n"
      "2 unusable input or command line, 3 a file or store could not be read or written."};
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "Show help for every command");

  Io io{std::cin, std::cout, std::cerr};
  int status = kExitOk;

  auto* list = app.add_subcommand("list", "Prepare and read caller list files (list texts)");
  list->require_subcommand(1);

  ListEncodeOptions encode;
  auto* encode_cmd = list->add_subcommand(
      "encode", "Encode a plain JSON caller list into a list text (Base64 of AES-256 under the list key)");
  encode_cmd->add_option("FILE", encode.input, "Plain JSON caller list; - for standard input")
      ->capture_default_str();
  encode_cmd->add_option("-o,--output", encode.output, "Write the list text here instead of standard output");
  encode_cmd->add_option("--line-length", encode.line_length,
                         "Break the Base64 text into lines of this many characters (rounded up to a multiple "
                         "of 4); 0 for one line")
      ->capture_default_str();
  encode_cmd->add_flag("--raw", encode.raw, "Encode any bytes, without checking for a UTF-8 JSON array");
  encode_cmd->callback([&] { status = runListEncode(encode, io); });

  ListDecodeOptions decode;
  auto* decode_cmd = list->add_subcommand(
      "decode", "Decode a list text into its plain JSON text, exactly as the extension reads list files");
  decode_cmd->add_option("FILE", decode.input, "List text; - for standard input")->capture_default_str();
  decode_cmd->add_option("-o,--output", decode.output, "Write the plain text here instead of standard output");
  decode_cmd->callback([&] { status = runListDecode(decode, io); });

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitBadInput;
  }
  return status;
}
