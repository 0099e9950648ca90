#include "quorvel/email.h"

int main() { quorvel::Email email; }
