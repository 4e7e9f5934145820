"""Adapters that plug tavric into frameworks: `tavric.contrib.django` and
`tavric.contrib.pwdlib`. Each imports its framework, so import the one you use."""
