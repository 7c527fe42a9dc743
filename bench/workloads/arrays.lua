local a = {}
for i = 0, 999999 do
  a[i + 1] = i * 0.5
end
local s = 0
for _, x in ipairs(a) do
  s = s + x
end
print(string.format("%.17g", s))
