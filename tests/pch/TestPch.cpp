// The precompiled test header is built with this (empty) unit.
