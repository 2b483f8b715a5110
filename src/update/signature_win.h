// Whether a file downloaded from the network was signed by the publisher.
#pragma once

// True only when path + ".sig" holds a valid signature of the file at path made with the
// publisher's private key. Anything downloaded that will be loaded or run passes here first.
bool VerifyPublisherSignature(const char* path);

// Lets the band library at path register itself, once its signature beside it verifies. The one
// way downloaded code is loaded into the program.
void RegisterBandLibrary(const char* path);
