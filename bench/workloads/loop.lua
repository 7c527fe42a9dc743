local s, i = 0, 0
while i < 10000000 do
  s = s + i
  i = i + 1
end
print(string.format("%.17g", s))
